#include "package/inputs/module_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/shown_text.h"
#include "common/text_split.h"
#include "package/inputs/jar_file.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

// A jmod is a zip archive behind four bytes ("JM", its version); its classes are in classes/.
constexpr uint64_t kJmodHeaderSize = 4;

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string baseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        refuse("cannot read the --module-path folder %s", shownName(folder).c_str());
    while (dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

ModuleEntry readJarModule(const std::string& path) {
    ModuleEntry module;
    module.path = path;
    JarFile jar;
    std::string problem;
    if (!readJar(path, jar, problem))
        refuse("%s on --module-path %s; repair it or remove it", shownName(path).c_str(),
               problem.c_str());
    module.descriptor = jarModuleDescriptor(path);
    if (module.descriptor.name.empty()) {
        module.automatic = true;
        std::string named = manifestAttribute(jar.manifest, "Automatic-Module-Name");
        size_t end = named.find_last_not_of(" \t");
        module.descriptor.name = end == std::string::npos ? automaticModuleName(baseName(path))
                                                          : named.substr(0, end + 1);
        // The JVM takes an automatic module's main class from the manifest.
        std::string mainClass = manifestAttribute(jar.manifest, "Main-Class");
        size_t first = mainClass.find_first_not_of(" \t"), last = mainClass.find_last_not_of(" \t");
        if (first != std::string::npos)
            module.descriptor.mainClass = mainClass.substr(first, last - first + 1);
    }
    return module;
}

ModuleEntry readJmod(const std::string& path) {
    ModuleEntry module;
    module.path = path;
    module.kind = ModuleEntry::Kind::Jmod;
    module.descriptor = jarModuleDescriptor(path, "classes/", kJmodHeaderSize);
    if (module.descriptor.name.empty())
        refuse(
            "%s on --module-path is not a jmod with a module descriptor; repair it or "
            "remove it",
            shownName(path).c_str());
    return module;
}

bool isModuleFolder(const std::string& path) {
    return isRegularFile(path + "/module-info.class");
}

ModuleEntry readModuleFolder(const std::string& path) {
    ModuleEntry module;
    module.path = path;
    module.kind = ModuleEntry::Kind::Folder;
    std::string bytes, problem;
    if (readWholeFile(path + "/module-info.class", kMaxTextFileSize, bytes, problem))
        module.descriptor = readModuleDescriptor(bytes);
    if (module.descriptor.name.empty())
        refuse("%s/module-info.class on --module-path is not a module descriptor; repair it",
               shownName(path).c_str());
    return module;
}

bool isNativeLibrary(const std::string& name, ImageTarget target) {
    if (target == ImageTarget::Windows) {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return endsWith(lower, ".dll");
    }
    return endsWith(name, ".so") || name.find(".so.") != std::string::npos;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

std::string automaticModuleName(const std::string& fileName) {
    std::string name =
        endsWith(fileName, ".jar") ? fileName.substr(0, fileName.size() - 4) : fileName;
    // The version starts at the first '-' followed by a digit and then a '.' or the end of a
    // run of digits.
    for (size_t dash = name.find('-'); dash != std::string::npos; dash = name.find('-', dash + 1)) {
        size_t digits = dash + 1;
        while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits])))
            ++digits;
        if (digits > dash + 1 && (digits == name.size() || name[digits] == '.')) {
            name.resize(dash);
            break;
        }
    }
    std::string dotted;
    for (char c : name) {
        bool keep = std::isalnum(static_cast<unsigned char>(c));
        if (keep)
            dotted += c;
        else if (!dotted.empty() && dotted.back() != '.')
            dotted += '.';
    }
    while (!dotted.empty() && dotted.back() == '.') dotted.pop_back();
    return dotted;
}

ModulePath readModulePath(const std::vector<std::string>& given, ImageTarget target) {
    ModulePath path;
    for (const std::string& value : given)
        for (const std::string& entry : splitWords(value, ":")) path.entries.push_back(entry);
    std::set<std::string> names;
    auto add = [&](ModuleEntry module, std::set<std::string>& inFolder) {
        const std::string& name = module.descriptor.name;
        if (!inFolder.insert(name).second)
            refuse(
                "--module-path: the folder of %s holds the module %s twice, which the JVM "
                "refuses: remove one of them",
                shownName(module.path).c_str(), name.c_str());
        if (names.insert(name).second) path.modules.push_back(std::move(module));
    };
    for (const std::string& entry : path.entries) {
        struct stat info;
        if (stat(entry.c_str(), &info) != 0)
            refuse(
                "--module-path %s does not exist: give the folders and jars of the "
                "application's modules, ':'-separated",
                shownName(entry).c_str());
        std::set<std::string> inFolder;
        if (!S_ISDIR(info.st_mode)) {
            add(endsWith(entry, ".jmod") ? readJmod(entry) : readJarModule(entry), inFolder);
            continue;
        }
        if (isModuleFolder(entry)) {
            add(readModuleFolder(entry), inFolder);
            continue;
        }
        for (const std::string& name : folderNames(entry)) {
            std::string file = entry + "/" + name;
            if (endsWith(name, ".jar") && isRegularFile(file))
                add(readJarModule(file), inFolder);
            else if (endsWith(name, ".jmod") && isRegularFile(file))
                add(readJmod(file), inFolder);
            else if (isFolder(file) && isModuleFolder(file))
                add(readModuleFolder(file), inFolder);
            else if (isNativeLibrary(name, target) && isRegularFile(file))
                path.nativeLibraries.push_back(file);
        }
    }
    return path;
}

const ModuleEntry* findModule(const std::vector<ModuleEntry>& modules, const std::string& name) {
    for (const ModuleEntry& module : modules)
        if (module.descriptor.name == name) return &module;
    return nullptr;
}

const ModuleEntry* findModule(const ModulePath& path, const std::string& name) {
    return findModule(path.modules, name);
}

std::vector<std::string> modulePaths(const std::vector<ModuleEntry>& modules) {
    std::vector<std::string> paths;
    for (const ModuleEntry& module : modules) paths.push_back(module.path);
    return paths;
}

std::vector<ModuleEntry> neededModules(const ModulePath& path,
                                       const std::vector<std::string>& roots,
                                       const std::vector<std::string>& platformModules,
                                       bool linking) {
    std::set<std::string> needed;
    std::vector<std::string> pending;
    auto need = [&](const std::string& name, const std::string& requiredBy) {
        if (needed.count(name) != 0) return;
        if (findModule(path, name) != nullptr) {
            needed.insert(name);
            pending.push_back(name);
        } else if (!platformModules.empty() && !contains(platformModules, name)) {
            if (requiredBy.empty())
                refuse(
                    "the module %s is neither on --module-path nor in the runtime: give "
                    "--module-path the folder or jar that holds it",
                    name.c_str());
            refuse(
                "the module %s requires %s, which is neither on --module-path nor in the "
                "runtime: add the jar that holds it to --module-path",
                requiredBy.c_str(), name.c_str());
        }
    };
    for (const std::string& root : roots) need(root, "");
    for (;;) {
        while (!pending.empty()) {
            const ModuleEntry* module = findModule(path, pending.back());
            pending.pop_back();
            for (const std::string& required : module->descriptor.requires)
                need(required, module->descriptor.name);
        }
        // The providers of the services the needed modules use, and every automatic module
        // once one is needed: each may need more.
        std::set<std::string> used;
        bool automatic = false;
        for (const ModuleEntry& module : path.modules) {
            if (needed.count(module.descriptor.name) == 0) continue;
            used.insert(module.descriptor.uses.begin(), module.descriptor.uses.end());
            automatic = automatic || module.automatic;
        }
        for (const ModuleEntry& module : path.modules) {
            bool provides =
                std::any_of(module.descriptor.provides.begin(), module.descriptor.provides.end(),
                            [&](const std::string& service) { return used.count(service) != 0; });
            if (provides || (automatic && module.automatic)) need(module.descriptor.name, "");
        }
        if (pending.empty()) break;
    }
    std::vector<ModuleEntry> modules;
    for (const ModuleEntry& module : path.modules) {
        if (needed.count(module.descriptor.name) == 0) continue;
        if (linking && module.automatic)
            refuse(
                "%s is not a modular jar: the JVM takes it as the automatic module %s, which "
                "jlink cannot link into the runtime. Give it a module descriptor (jdeps "
                "--generate-module-info writes one), or give --runtime-image a runtime, so "
                "that the modules go into the image's app/mods/ instead, or package the "
                "application on the class path (--main-jar)",
                shownName(module.path).c_str(), module.descriptor.name.c_str());
        if (!linking && module.kind == ModuleEntry::Kind::Jmod)
            refuse(
                "%s is a jmod, which only jlink reads, and the runtime of --runtime-image is "
                "not linked here: give the module as a jar, or leave --runtime-image out so "
                "that jlink links it",
                shownName(module.path).c_str());
        modules.push_back(module);
    }
    return modules;
}

}  // namespace trellane
