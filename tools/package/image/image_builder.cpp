#include "package/image/image_builder.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/plain_text.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/windows_names.h"
#include "package/image/cds_options.h"
#include "package/image/cds_training.h"
#include "package/image/image_output.h"
#include "package/image/linux_icon.h"
#include "package/image/stack_option.h"
#include "package/image/tool_files.h"
#include "package/inputs/app_input.h"
#include "package/inputs/class_path.h"
#include "package/runtime/jdk_tools.h"
#include "package/runtime/linux_runtime.h"
#include "package/runtime/runtime_check.h"
#include "package/runtime/runtime_copy.h"
#include "package/runtime/windows_runtime.h"
#include "package/support/progress.h"
#include "stamp/single_instance_option.h"
#include "stamp/write_command.h"

namespace trellane {

namespace {

// The name a modular application gets without --name: its main class's simple name, as
// jpackage names it, or its module's last part when only the runtime knows the class.
std::string moduleAppName(const ModuleApp& modules) {
    const std::string& named = modules.mainClass.empty() ? modules.mainModule : modules.mainClass;
    return named.substr(named.rfind('.') + 1);
}

void checkLauncherName(const PackageRequest& request, const std::string& name, const char* option) {
    if (request.target == ImageTarget::Windows) {
        std::string problem = windowsProgramNameProblem(name);
        if (!problem.empty())
            refuse("the name \"%s\" %s, so it cannot name a Windows program; choose another %s",
                   name.c_str(), problem.c_str(), option);
    } else if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        refuse("the name \"%s\" cannot name a folder and a program; choose another %s",
               shownName(name).c_str(), option);
    } else if (std::string problem = plainTextProblem(name); !problem.empty()) {
        // The name is the launcher's file name, and a menu entry's and a package's text.
        refuse("the name \"%s\" %s, so it cannot name a program; choose another %s",
               shownName(name).c_str(), problem.c_str(), option);
    }
}

std::string imageName(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    const std::string& mainJar = plan.app.mainJar;
    std::string name = request.name;
    if (name.empty() && !request.mainModule.empty()) {
        name = moduleAppName(plan.modules);
    } else if (name.empty()) {
        name = mainJar.substr(mainJar.rfind('/') + 1);
        name = name.substr(0, name.size() - 4);  // .jar
    }
    checkLauncherName(request, name, "--name");
    return name;
}

void checkRuntimeChoice(ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    if (!request.runtimeImage.empty()) {
        plan.runtime = checkRuntime(request.runtimeImage, request.target);
    } else if (request.target == ImageTarget::Windows && request.runtimeJdk.empty()) {
        refuse(
            "a Windows image needs a Windows Java runtime: --runtime-image DIR, a Windows "
            "x86-64 runtime (made by jlink on Windows, or an unpacked Windows JRE or JDK), or "
            "--runtime-jdk DIR, an unpacked Windows x64 JDK to link one from here");
    } else if (request.target == ImageTarget::Windows) {
        plan.jdk = locateJdk(request.jdk);
        plan.windowsJdk = checkWindowsJdk(request.runtimeJdk, plan.jdk);
        plan.runtime.javaVersion = plan.windowsJdk.javaVersion;
        plan.runtime.featureVersion = plan.windowsJdk.featureVersion;
    } else {
        plan.jdk = locateJdk(request.jdk);
        plan.runtime.javaVersion = plan.jdk.javaVersion;
        plan.runtime.featureVersion = plan.jdk.featureVersion;
    }
    if (request.cds == CdsMode::Train && request.target == ImageTarget::Windows)
        refuse(
            "--cds train runs the application, which only a Linux image can do here; for a "
            "Windows image use --cds auto with a runtime of version 19 or later");
    if (request.cds == CdsMode::Auto && plan.runtime.featureVersion < 19)
        refuse(
            "--cds auto needs a runtime of version 19 or later, where the JVM can make the "
            "archive itself; this runtime is %s: use a newer one, or --cds (train) for a "
            "Linux image",
            plan.runtime.javaVersion.empty() ? "of unknown version"
                                             : plan.runtime.javaVersion.c_str());
    if (request.target == ImageTarget::Windows &&
        needsBaseArchive(request.cds, plan.runtime.featureVersion))
        checkWindowsBaseArchive(request);
}

bool asksForSplash(const std::vector<std::string>& jvmOptions) {
    return std::any_of(jvmOptions.begin(), jvmOptions.end(),
                       [](const std::string& option) { return option.rfind("-splash:", 0) == 0; });
}

bool asksForSplash(const LaunchConfig& config) {
    return asksForSplash(config.jvmOptions);
}

// The splash screen's library comes with java.desktop: a given runtime without it cannot show
// the splash any launcher of the image asks for.
void checkSplashLibrary(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    const std::vector<std::string>& modules = plan.runtime.modules;
    if (request.runtimeImage.empty() || modules.empty() ||
        std::find(modules.begin(), modules.end(), "java.desktop") != modules.end())
        return;
    std::string asking;
    if (asksForSplash(request.config)) asking = "-splash: in --java-options";
    for (const AddedLauncher& added : request.addedLaunchers)
        if (asking.empty() && added.javaOptions && asksForSplash(*added.javaOptions))
            asking = "-splash: in the java-options of --add-launcher " + added.name;
    if (!asking.empty())
        refuse(
            "%s needs the runtime's splash screen library, which comes with the module "
            "java.desktop, and %s has no java.desktop: link it in (jlink --add-modules "
            "java.desktop), or leave -splash: out",
            asking.c_str(), shownName(request.runtimeImage).c_str());
}

// Whether the image's app/RELATIVE ('/'-separated) is a file of the input or of --app-content.
bool appHolds(const ImagePlan& plan, const std::string& relative) {
    auto holds = [&](const std::vector<TreeEntry>& entries, const std::string& path) {
        return std::any_of(entries.begin(), entries.end(), [&](const TreeEntry& entry) {
            return !entry.folder && entry.relative == path;
        });
    };
    if (holds(plan.app.entries, relative)) return true;
    for (const AppContent& content : plan.content) {
        if (!content.folder && content.name == relative) return true;
        if (content.folder && relative.rfind(content.name + "/", 0) == 0 &&
            holds(content.entries, relative.substr(content.name.size() + 1)))
            return true;
    }
    return false;
}

// A splash image in the app folder that the image will not hold shows nothing at any start:
// a misspelt name is said now rather than found by the application's users.
void warnOfMissingSplash(const ImagePlan& plan, const std::vector<std::string>& options) {
    for (const std::string& option : options) {
        if (option.rfind("-splash:", 0) != 0) continue;
        std::string image = option.substr(8);
        bool inJar = image.rfind("jar:", 0) == 0;
        if (inJar) image = image.substr(4);
        if (image.rfind("&&", 0) != 0) continue;  // outside the app folder, as given
        std::string relative = image.substr(2, inJar ? image.find('!') - 2 : std::string::npos);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        if (relative.empty() || relative.find("..") != std::string::npos) continue;
        if (!appHolds(plan, relative))
            warn(
                "-splash: names $APPDIR/%s, which neither --input nor --app-content puts into "
                "the image: the application will start without a splash; add it or correct "
                "the name",
                relative.c_str());
    }
}

// The modules the runtime must have beyond jdeps's findings: the splash screen's library
// comes with java.desktop.
std::vector<std::string> addedModules(const ImagePlan& plan) {
    std::vector<std::string> added = plan.request.addModules;
    for (const ImageLauncher& launcher : plan.launchers)
        if (asksForSplash(launcher.config)) added.push_back("java.desktop");
    return added;
}

// The JVM options that give a modular application its modules: the module path when they
// are in app/mods/, and the added modules the main module does not require.
std::vector<std::string> moduleOptions(const ImagePlan& plan) {
    std::vector<std::string> options;
    const ModuleApp& modules = plan.modules;
    if (!plan.linksModules && !modules.modules.empty()) options.push_back("--module-path=&&mods");
    std::string added;
    for (const std::string& root : modules.addedRoots) added += (added.empty() ? "" : ",") + root;
    if (!added.empty()) options.push_back("--add-modules=" + added);
    return options;
}

// The main launcher's entry: its main module (MODULE/ or MODULE/CLASS) or its main class.
std::string mainEntry(const ImagePlan& plan) {
    return plan.request.mainModule.empty() ? plan.app.mainClass : plan.request.mainModule;
}

// The class an added launcher starts: its module's entry, its main class (in the main
// module for a modular application, unless the launcher has a main jar of its own), its main
// jar's Main-Class, or, naming none of these, the main launcher's entry.
std::string addedMainClass(const ImagePlan& plan, const AddedLauncher& added) {
    if (!added.mainModule.empty()) return added.mainModule;
    if (!added.mainClass.empty() && added.mainJar.empty() && !plan.request.mainModule.empty())
        return plan.modules.mainModule + "/" + added.mainClass;
    if (!added.mainClass.empty()) return added.mainClass;
    if (added.mainJar.empty()) return mainEntry(plan);
    return plan.app.addedMainClasses.at(added.name);
}

LaunchConfig launcherConfig(const ImagePlan& plan, const ImageLauncher& launcher) {
    const PackageRequest& request = plan.request;
    const AddedLauncher* added = launcher.added;
    LaunchConfig config = request.config;
    config.mainClassName = mainEntry(plan);
    ClassPathPlan classPath;
    classPath.mainJar = plan.app.mainJar;
    if (added != nullptr) {
        config.mainClassName = addedMainClass(plan, *added);
        if (!added->mainJar.empty()) classPath.mainJar = added->mainJar;
        if (added->javaOptions) config.jvmOptions = *added->javaOptions;
        if (added->arguments) config.defaultAppArguments = *added->arguments;
        if (added->console) config.isConsoleApp = *added->console;
    }
    if (request.mainModule.empty() || !classPath.mainJar.empty()) classPath.jars = plan.app.jars;
    classPath.wildcardFolders = plan.app.wildcardFolders;
    classPath.separator = request.target == ImageTarget::Windows ? ';' : ':';
    // As java -jar shows the splash screen the main jar's manifest names.
    if (added == nullptr && !plan.app.splashImage.empty() && !asksForSplash(config))
        config.jvmOptions.push_back("-splash:jar:&&" + plan.app.mainJar);
    std::vector<std::string> front = moduleOptions(plan);
    front.insert(front.begin(), classPathOption(classPath));
    config.jvmOptions.insert(config.jvmOptions.begin(), front.begin(), front.end());
    // Each launcher's archive of its own: one class path each.
    if (request.cds == CdsMode::Auto)
        for (const std::string& option :
             autoArchiveOptions(request.target, plan.runtime.featureVersion, launcher.name,
                                request.metadata.vendor, request.metadata.version))
            config.jvmOptions.push_back(option);
    if (!request.stackSizeGiven) config.launchThreadStackSize = stackSizeOfJavaOptions(config);
    if (config.singleInstance)
        stampInstanceIdentity(
            config, chooseInstanceIdentity(request.singleInstanceId, request.metadata, plan.name,
                                           config.mainClassName));
    return config;
}

// The image's launchers: the main one, then those of --add-launcher, each name checked as
// the image's own name is.
void planLaunchers(ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    const char* suffix = request.target == ImageTarget::Windows ? ".exe" : "";
    ImageLauncher main;
    main.name = plan.name;
    main.fileName = plan.launcherName;
    main.iconPath = request.metadata.iconPath;
    plan.launchers.push_back(main);
    for (const AddedLauncher& added : request.addedLaunchers) {
        ImageLauncher launcher;
        launcher.name = added.name;
        checkLauncherName(request, added.name, "--add-launcher");
        if (added.name == plan.name)
            refuse("--add-launcher %s has the image's own name: give it another name",
                   added.name.c_str());
        if (!added.mainJar.empty() && request.input.empty())
            refuse("--add-launcher %s names main-jar %s, and there is no --input to hold it",
                   added.name.c_str(), added.mainJar.c_str());
        launcher.fileName = added.name + suffix;
        launcher.iconPath = added.iconPath.empty() ? main.iconPath : added.iconPath;
        if (request.target == ImageTarget::Linux && !added.iconPath.empty())
            checkLinuxIcon(added.iconPath);
        launcher.description = added.description;
        launcher.winShortcut = added.winShortcut;
        launcher.winMenu = added.winMenu;
        launcher.linuxShortcut = added.linuxShortcut;
        launcher.added = &added;
        plan.launchers.push_back(launcher);
    }
}

void copyApplication(const ImagePlan& plan, const std::string& image) {
    std::string app = image + "/app";
    makeFolder(app);
    if (!plan.request.input.empty())
        progress("app: copying %s into app/", plan.request.input.c_str());
    for (const TreeEntry& entry : plan.app.entries) {
        if (entry.folder)
            makeFolder(app + "/" + entry.relative);
        else
            copyFile(plan.request.input + "/" + entry.relative, app + "/" + entry.relative);
    }
    copyFile(plan.files.runtimeJar, app + "/" + kRuntimeJarName);
    for (const AppContent& content : plan.content) {
        progress("app: copying %s into app/", shownName(content.source).c_str());
        std::string to = app + "/" + content.name;
        if (!content.folder) {
            copyFile(content.source, to);
            continue;
        }
        makeFolder(to);
        for (const TreeEntry& entry : content.entries) {
            if (entry.folder)
                makeFolder(to + "/" + entry.relative);
            else
                copyFile(content.source + "/" + entry.relative, to + "/" + entry.relative);
        }
    }
    if (plan.linksModules || plan.modules.modules.empty()) return;
    progress("app: copying %zu modules into app/mods/", plan.modules.modules.size());
    makeFolder(app + "/mods");
    for (const ModuleEntry& module : plan.modules.modules) {
        std::string to = app + "/mods/" + module.path.substr(module.path.rfind('/') + 1);
        if (module.kind == ModuleEntry::Kind::Folder) {
            makeFolder(to);
            copyTree(module.path, to);
        } else {
            copyFile(module.path, to);
        }
    }
}

// The modules a runtime linked for a Windows image can have: the jmods of --runtime-jdk.
std::vector<std::string> jmodNames(const std::string& jmods) {
    std::vector<std::string> names;
    for (const TreeEntry& entry : listTree(jmods)) {
        const std::string& name = entry.relative;
        if (!entry.folder && name.find('/') == std::string::npos && name.size() > 5 &&
            name.compare(name.size() - 5, 5, ".jmod") == 0)
            names.push_back(name.substr(0, name.size() - 5));
    }
    return names;
}

void readModules(ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    plan.linksModules = request.runtimeImage.empty();
    std::vector<std::string> platform;
    if (!request.runtimeImage.empty())
        platform = plan.runtime.modules;
    else if (request.target == ImageTarget::Windows)
        platform = jmodNames(plan.windowsJdk.jmods);
    else
        platform = plan.jdk.modules;
    plan.modules = readModuleApp(request, platform, plan.linksModules);
    if (plan.linksModules) return;
    std::set<std::string> names;
    for (const ModuleEntry& module : plan.modules.modules) {
        std::string name = module.path.substr(module.path.rfind('/') + 1);
        if (!names.insert(name).second)
            refuse(
                "two modules of --module-path are both named %s, and both go into the image's "
                "app/mods/: rename one of them",
                shownName(name).c_str());
    }
    if (!names.empty() &&
        std::any_of(plan.app.entries.begin(), plan.app.entries.end(),
                    [](const TreeEntry& entry) { return entry.relative == "mods"; }))
        refuse(
            "the input holds a mods/ folder, where the image keeps the modules of "
            "--module-path: rename it");
}

void stamp(const ImagePlan& plan, const LaunchConfig& config, const std::string& output,
           const ImageLauncher* launcher = nullptr) {
    WriteRequest write;
    write.input = plan.files.launcher;
    write.output = output;
    write.config = config;
    if (plan.request.target == ImageTarget::Windows) {
        write.metadata = plan.request.metadata;
        write.metadata.name = plan.name;
        write.signing = plan.request.signing;
        if (launcher != nullptr && launcher->added != nullptr) {
            write.metadata.name = launcher->name;
            write.metadata.iconPath = launcher->iconPath;
            if (!launcher->added->version.empty())
                write.metadata.version = launcher->added->version;
        }
    }
    runWrite(write);
}

StampLauncher stampLauncher(const ImagePlan& plan) {
    return [&plan](const LaunchConfig& config, const std::string& output) {
        stamp(plan, config, output);
    };
}

}  // namespace

ImagePlan planImage(const PackageRequest& request) {
    ImagePlan plan{request, monotonicSeconds(), {}, {}, {}, {}, false, {}, {}, {}, {}, {}, {}, {}};
    if (request.target == ImageTarget::Linux && !request.metadata.iconPath.empty())
        checkLinuxIcon(request.metadata.iconPath);
    plan.files = locateToolFiles(request);
    plan.app = readAppInput(request);
    for (const std::string& warning : plan.app.warnings) warn("%s", warning.c_str());
    checkRuntimeChoice(plan);
    readModules(plan);
    plan.content = readAppContent(request, plan.app.entries,
                                  !plan.linksModules && !plan.modules.modules.empty());
    plan.name = imageName(plan);
    plan.launcherName = plan.name + (request.target == ImageTarget::Windows ? ".exe" : "");
    planLaunchers(plan);
    if (request.mainModule.empty())
        progress("input: %s (%zu jar%s), main class %s", shownName(request.input).c_str(),
                 plan.app.jars.size(), plan.app.jars.size() == 1 ? "" : "s",
                 plan.app.mainClass.c_str());
    else
        progress("modules: %s, main class %s, %zu module%s of --module-path %s",
                 plan.modules.mainModule.c_str(),
                 plan.modules.mainClass.empty() ? "(the runtime's descriptor names it)"
                                                : plan.modules.mainClass.c_str(),
                 plan.modules.modules.size(), plan.modules.modules.size() == 1 ? "" : "s",
                 plan.linksModules ? "linked into the runtime" : "in app/mods/");
    checkSplashLibrary(plan);
    warnOfMissingSplash(plan, request.config.jvmOptions);
    for (const AddedLauncher& added : request.addedLaunchers)
        if (added.javaOptions) warnOfMissingSplash(plan, *added.javaOptions);
    return plan;
}

std::string buildImage(ImagePlan& plan, const std::string& folder) {
    const PackageRequest& request = plan.request;
    for (ImageLauncher& launcher : plan.launchers) launcher.config = launcherConfig(plan, launcher);
    plan.config = plan.launchers.front().config;

    std::string building = beginImage(folder, plan.name);
    if (!request.runtimeImage.empty()) {
        progress("runtime: copying %s (%s %s)", shownName(request.runtimeImage).c_str(),
                 targetName(request.target), plan.runtime.javaVersion.c_str());
        copyRuntime(request.runtimeImage, request.target, building);
    } else {
        std::vector<std::string> jars;
        if (request.mainModule.empty())
            for (const std::string& jar : plan.app.jars) jars.push_back(request.input + "/" + jar);
        jars.push_back(plan.files.runtimeJar);
        progress("runtime: finding the modules the jars need with jdeps");
        std::vector<std::string> modules =
            runtimeModules(plan.jdk, jars, addedModules(plan), plan.windowsJdk.jmods);
        const std::vector<ModuleEntry>& appModules = plan.modules.modules;
        for (const ModuleEntry& module : appModules) modules.push_back(module.descriptor.name);
        // A launcher's module may be the JDK's own (jdk.jshell), which no jar names to jdeps.
        for (const std::string& root : plan.modules.roots) modules.push_back(root);
        std::sort(modules.begin(), modules.end());
        modules.erase(std::unique(modules.begin(), modules.end()), modules.end());
        std::vector<std::string> options = request.jlinkOptions;
        if (!request.jlinkOptionsGiven)
            options.assign(std::begin(kDefaultJlinkOptions), std::end(kDefaultJlinkOptions));
        if (request.target == ImageTarget::Windows)
            linkWindowsRuntime(plan.jdk, plan.windowsJdk, modules, options, building, appModules);
        else
            linkLinuxRuntime(plan.jdk, modules, options, building, appModules);
    }
    makeFolder(building + "/bin");
    // Beside the JVM's own libraries, where System.loadLibrary looks before java.library.path.
    std::string libraries = building + (request.target == ImageTarget::Windows ? "/bin/" : "/lib/");
    for (const std::string& library : plan.modules.nativeLibraries) {
        std::string name = library.substr(library.rfind('/') + 1);
        if (isRegularFile(libraries + name))
            refuse(
                "%s on --module-path has the name of a library of the runtime: remove it "
                "from the folder",
                shownName(library).c_str());
        progress("runtime: adding %s of --module-path", name.c_str());
        copyFile(library, libraries + name);
    }
    if (request.target == ImageTarget::Linux &&
        needsBaseArchive(request.cds, plan.runtime.featureVersion))
        provideBaseArchive(building, stampLauncher(plan));
    copyApplication(plan, building);
    // A given runtime's commands stay in bin/ (java, keytool...): a launcher never replaces one.
    for (const ImageLauncher& launcher : plan.launchers)
        if (isRegularFile(building + "/bin/" + launcher.fileName))
            refuse(
                "the runtime has a bin/%s of its own, which the launcher %s would replace: "
                "choose another %s",
                launcher.fileName.c_str(), launcher.name.c_str(),
                launcher.added != nullptr ? "name in --add-launcher" : "--name");
    if (request.cds != CdsMode::Train) {
        progress("launcher: stamping bin/%s", plan.launcherName.c_str());
        stamp(plan, plan.config, building + "/bin/" + plan.launcherName);
    }
    for (const ImageLauncher& launcher : plan.launchers) {
        if (launcher.added != nullptr) {
            progress("launcher: stamping bin/%s", launcher.fileName.c_str());
            stamp(plan, launcher.config, building + "/bin/" + launcher.fileName, &launcher);
        }
        if (request.target == ImageTarget::Linux && !launcher.iconPath.empty())
            copyLinuxIcon(launcher.iconPath, building, launcher.name);
    }
    return building;
}

static void trainImageWith(const ImagePlan& plan, const std::string& image,
                           const StampLauncher& stampWith) {
    if (plan.request.cds != CdsMode::Train) return;
    trainArchive(plan.request,
                 {image, plan.name, plan.launcherName, plan.runtime.featureVersion, plan.config},
                 stampWith);
}

void trainImage(const ImagePlan& plan, const std::string& image) {
    trainImageWith(plan, image, stampLauncher(plan));
}

void checkAppImageDestination(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    checkImageDestination(request.dest, plan.name, request.input, request.overwrite);
}

std::string placeAppImage(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    std::string image = placeImage(request.overwrite);
    // The run happens in the image at its destination: the older archive records the class
    // path's absolute location. Another packaging of the same destination waits meanwhile
    // (image/image_output), and each step in place first checks that the image there is
    // still this one. A failure still removes it (and puts a replaced image back).
    trainImageWith(plan, image, [&plan](const LaunchConfig& config, const std::string& output) {
        checkImageInPlace();
        stamp(plan, config, output);
    });
    finishImage();
    progress("built %s (%s) in %.1f s; run %s/bin/%s", shownName(image).c_str(),
             describeSize(treeSize(image)).c_str(), monotonicSeconds() - plan.started,
             shownName(image).c_str(), plan.launcherName.c_str());
    return image;
}

}  // namespace trellane
