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
    if (request.mainModule.empty() && request.modulePath.empty()) return app;
    ModulePath path = readModulePath(request.modulePath, request.target);
    if (!request.mainModule.empty()) {
        size_t slash = request.mainModule.find('/');
        app.mainModule = request.mainModule.substr(0, slash);
        app.mainClass = request.mainModule.substr(slash + 1);
        app.roots.push_back(app.mainModule);
    }
    for (const std::string& added : addedModuleNames(request.addModules))
        if (findModule(path, added) != nullptr && added != app.mainModule)
            app.roots.push_back(added);
    app.modules = neededModules(path, app.roots, platformModules, linking);

    const ModuleEntry* main = app.mainModule.empty() ? nullptr : findModule(path, app.mainModule);
    if (main == nullptr) return app;  // in the runtime, or no main module
    if (app.mainClass.empty()) {
        app.mainClass = main->descriptor.mainClass;
        if (app.mainClass.empty())
            refuse(
                "the module %s (%s) names no main class in its descriptor: give --module "
                "%s/CLASS, or record one with jar --main-class when the jar is made",
                app.mainModule.c_str(), shownName(main->path).c_str(), app.mainModule.c_str());
    } else if (!moduleHoldsClass(*main, app.mainClass)) {
        refuse("the module %s (%s) holds no class %s: check --module %s/CLASS (dotted)",
               app.mainModule.c_str(), shownName(main->path).c_str(), app.mainClass.c_str(),
               app.mainModule.c_str());
    }
    return app;
}

}  // namespace trellane
