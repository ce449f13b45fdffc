#include "package/inputs/module_app.h"

#include <algorithm>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/text_split.h"
#include "package/inputs/jar_file.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

// Whether the module holds the class; true for a jmod, which only jlink reads well enough.
bool moduleHoldsClass(const ModuleEntry& module, const std::string& className) {
    if (module.kind == ModuleEntry::Kind::Jmod) return true;
    if (module.kind == ModuleEntry::Kind::Folder) {
        std::string file = className;
        std::replace(file.begin(), file.end(), '.', '/');
        return isRegularFile(module.path + "/" + file + ".class");
    }
    JarFile jar;
    std::string problem;
    return readJar(module.path, jar, problem) && jarHoldsClass(jar, className);
}

// The class an entry "MODULE/CLASS" or "MODULE/" starts, checked when the module is on the
// path; empty when only the runtime knows it.
std::string launchedClass(const ModulePath& path, const std::string& entry,
                          const std::string& option) {
    size_t slash = entry.find('/');
    std::string module = entry.substr(0, slash), mainClass = entry.substr(slash + 1);
    const ModuleEntry* found = findModule(path, module);
    if (found == nullptr) return mainClass;  // in the runtime
    if (mainClass.empty()) {
        mainClass = found->descriptor.mainClass;
        if (mainClass.empty())
            refuse(
                "the module %s (%s) names no main class in its descriptor: give %s "
                "%s/CLASS, or record one with jar --main-class when the jar is made",
                module.c_str(), shownName(found->path).c_str(), option.c_str(), module.c_str());
    } else if (!moduleHoldsClass(*found, mainClass)) {
        refuse("the module %s (%s) holds no class %s: check %s %s/CLASS (dotted)", module.c_str(),
               shownName(found->path).c_str(), mainClass.c_str(), option.c_str(), module.c_str());
    }
    return mainClass;
}

}  // namespace

std::vector<std::string> addedModuleNames(const std::vector<std::string>& addModules) {
    std::vector<std::string> names;
    for (const std::string& value : addModules)
        for (const std::string& name : splitWords(value, ",")) names.push_back(name);
    return names;
}

ModuleApp readModuleApp(const PackageRequest& request,
                        const std::vector<std::string>& platformModules, bool linking) {
    ModuleApp app;
    bool launcherModule =
        std::any_of(request.addedLaunchers.begin(), request.addedLaunchers.end(),
                    [](const AddedLauncher& launcher) { return !launcher.mainModule.empty(); });
    if (request.mainModule.empty() && request.modulePath.empty() && !launcherModule) return app;
    ModulePath path = readModulePath(request.modulePath, request.target);
    if (!request.mainModule.empty()) {
        size_t slash = request.mainModule.find('/');
        app.mainModule = request.mainModule.substr(0, slash);
        app.mainClass = request.mainModule.substr(slash + 1);
        app.roots.push_back(app.mainModule);
    }
    for (const AddedLauncher& launcher : request.addedLaunchers) {
        std::string module = launcher.mainModule.substr(0, launcher.mainModule.find('/'));
        if (!module.empty() &&
            std::find(app.roots.begin(), app.roots.end(), module) == app.roots.end())
            app.roots.push_back(module);
    }
    for (const std::string& added : addedModuleNames(request.addModules))
        if (findModule(path, added) != nullptr &&
            std::find(app.roots.begin(), app.roots.end(), added) == app.roots.end())
            app.roots.push_back(added), app.addedRoots.push_back(added);
    app.modules = neededModules(path, app.roots, platformModules, linking);
    app.nativeLibraries = path.nativeLibraries;

    if (!app.mainModule.empty())
        app.mainClass = launchedClass(path, request.mainModule, "--module");
    for (const AddedLauncher& launcher : request.addedLaunchers) {
        if (!launcher.mainModule.empty())
            launchedClass(path, launcher.mainModule,
                          "the module of --add-launcher " + launcher.name);
        // A main-class without a main-jar names a class of the main module.
        const ModuleEntry* main = findModule(path, app.mainModule);
        if (main != nullptr && launcher.mainModule.empty() && launcher.mainJar.empty() &&
            !launcher.mainClass.empty() && !moduleHoldsClass(*main, launcher.mainClass))
            refuse(
                "--add-launcher %s: the main module %s (%s) holds no class %s: check its "
                "main-class (dotted), or give the main-jar that holds it",
                launcher.name.c_str(), app.mainModule.c_str(), shownName(main->path).c_str(),
                launcher.mainClass.c_str());
    }
    return app;
}

}  // namespace trellane
