// --module-path: the application's modules, found as jlink and the JVM find them (modular and
// plain jars, jmods and module folders, in the folders and files given, the first of each name
// counting), and the modules an application needs of them, resolved as the JVM resolves a main
// module: what it requires, and the providers of the services it uses.
#pragma once

#include <string>
#include <vector>

#include "package/inputs/module_descriptor.h"
#include "package/request/package_request.h"

namespace trellane {

struct ModuleEntry {
    enum class Kind { Jar, Jmod, Folder };
    ModuleDescriptor descriptor;  // an automatic module's holds its name alone
    std::string path;             // the jar, jmod or module folder
    Kind kind = Kind::Jar;
    bool automatic = false;  // a jar without a module descriptor
};

struct ModulePath {
    std::vector<std::string> entries;          // the folders and files given, in order
    std::vector<ModuleEntry> modules;          // in path order, the first of each name
    std::vector<std::string> nativeLibraries;  // the target's (*.so, *.dll) directly in a folder
};

// Reads every entry (each given value split at ':', as jpackage splits it). Refuses an entry
// that does not exist, a jar that cannot be read, and two modules of one name in one folder
// (which the JVM refuses too).
ModulePath readModulePath(const std::vector<std::string>& given, ImageTarget target);

// The module of that name on the path, or nullptr.
const ModuleEntry* findModule(const ModulePath& path, const std::string& name);

// The module of that name among these, or nullptr.
const ModuleEntry* findModule(const std::vector<ModuleEntry>& modules, const std::string& name);

// Each module's path, in order: what jlink's --module-path gets.
std::vector<std::string> modulePaths(const std::vector<ModuleEntry>& modules);

// The name the JVM gives a jar without a module descriptor: its manifest's
// Automatic-Module-Name, else its file name without ".jar" and a version ("-1.2.3"), every
// run of characters other than letters and digits made one '.'.
std::string automaticModuleName(const std::string& fileName);

// The modules of the path an application with these root modules needs, in path order: the
// roots on the path, what they require (but "requires static") and the modules providing a
// service a needed module uses, again and again; with an automatic module, every automatic
// module of the path, as the JVM resolves them. platformModules are the modules the runtime
// gives (the JDK's when linking); when known (not empty), a root or a requirement found
// neither there nor on the path is refused. For linking, an automatic module among them is
// refused (jlink links only modules with a descriptor); otherwise a jmod is (only jlink reads
// one). Each refusal says what to do.
std::vector<ModuleEntry> neededModules(const ModulePath& path,
                                       const std::vector<std::string>& roots,
                                       const std::vector<std::string>& platformModules,
                                       bool linking);

}  // namespace trellane
