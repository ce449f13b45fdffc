// The application's modules: the main module of --module and the modules of --module-path it
// needs (with --add-modules naming more of them), checked before anything is written, so that
// an image either starts its main module or is not built.
#pragma once

#include <string>
#include <vector>

#include "package/inputs/module_path.h"
#include "package/request/package_request.h"

namespace trellane {

struct ModuleApp {
    std::string mainModule;  // empty: the application is on the class path
    std::string mainClass;   // the class main runs, dotted; empty when only the runtime knows
    std::vector<std::string> roots;       // the main modules (the launchers') and the added ones
    std::vector<std::string> addedRoots;  // the --add-modules among them
    std::vector<ModuleEntry> modules;     // the path's modules the application needs
    // The target's native libraries directly in the path's folders (JavaFX's beside its
    // jars): the runtime's library folder gets them, where the JVM looks first.
    std::vector<std::string> nativeLibraries;
};

// Reads --module-path and resolves --module and the --add-modules found there. platformModules:
// the modules the runtime gives (those jlink links from, or those of --runtime-image), empty
// when unknown; linking: whether jlink links the application's modules into the runtime (else
// they go into the image's app/mods/). Refuses a main module found nowhere, one without a main
// class when none is given, a given main class the module does not hold, and what
// neededModules refuses, each saying what to do.
ModuleApp readModuleApp(const PackageRequest& request,
                        const std::vector<std::string>& platformModules, bool linking);

// The module names of a list of --add-modules values (each ','-separated).
std::vector<std::string> addedModuleNames(const std::vector<std::string>& addModules);

}  // namespace trellane
