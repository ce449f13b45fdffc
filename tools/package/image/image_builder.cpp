#include "package/image/image_builder.h"

#include <iterator>
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

std::string imageName(const PackageRequest& request, const std::string& mainJar) {
    std::string name = request.name;
    if (name.empty()) {
        name = mainJar.substr(mainJar.rfind('/') + 1);
        name = name.substr(0, name.size() - 4);  // .jar
    }
    if (request.target == ImageTarget::Windows) {
        std::string problem = windowsProgramNameProblem(name);
        if (!problem.empty())
            refuse(
                "the name \"%s\" %s, so it cannot name a Windows program; choose another "
                "--name",
                name.c_str(), problem.c_str());
    } else if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        refuse("the name \"%s\" cannot name a folder and a program; choose another --name",
               shownName(name).c_str());
    } else if (std::string problem = plainTextProblem(name); !problem.empty()) {
        // The name is the launcher's file name, and a menu entry's and a package's text.
        refuse("the name \"%s\" %s, so it cannot name a program; choose another --name",
               shownName(name).c_str(), problem.c_str());
    }
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

LaunchConfig launcherConfig(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    LaunchConfig config = request.config;
    config.mainClassName = plan.app.mainClass;
    ClassPathPlan classPath;
    classPath.mainJar = plan.app.mainJar;
    classPath.jars = plan.app.jars;
    classPath.wildcardFolders = plan.app.wildcardFolders;
    classPath.separator = request.target == ImageTarget::Windows ? ';' : ':';
    config.jvmOptions.insert(config.jvmOptions.begin(), classPathOption(classPath));
    if (request.cds == CdsMode::Auto)
        for (const std::string& option :
             autoArchiveOptions(request.target, plan.runtime.featureVersion, plan.name,
                                request.metadata.vendor, request.metadata.version))
            config.jvmOptions.push_back(option);
    if (!request.stackSizeGiven) config.launchThreadStackSize = stackSizeOfJavaOptions(config);
    if (config.singleInstance)
        stampInstanceIdentity(
            config, chooseInstanceIdentity(request.singleInstanceId, request.metadata, plan.name,
                                           config.mainClassName));
    return config;
}

void copyApplication(const ImagePlan& plan, const std::string& image) {
    progress("app: copying %s into app/", plan.request.input.c_str());
    std::string app = image + "/app";
    makeFolder(app);
    for (const TreeEntry& entry : plan.app.entries) {
        if (entry.folder)
            makeFolder(app + "/" + entry.relative);
        else
            copyFile(plan.request.input + "/" + entry.relative, app + "/" + entry.relative);
    }
    copyFile(plan.files.runtimeJar, app + "/" + kRuntimeJarName);
}

void stamp(const ImagePlan& plan, const LaunchConfig& config, const std::string& output) {
    WriteRequest write;
    write.input = plan.files.launcher;
    write.output = output;
    write.config = config;
    if (plan.request.target == ImageTarget::Windows) {
        write.metadata = plan.request.metadata;
        write.metadata.name = plan.name;
        write.signing = plan.request.signing;
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
    ImagePlan plan{request, monotonicSeconds(), {}, {}, {}, {}, {}, {}, {}, {}};
    if (request.target == ImageTarget::Linux && !request.metadata.iconPath.empty())
        checkLinuxIcon(request.metadata.iconPath);
    plan.files = locateToolFiles(request);
    plan.app = readAppInput(request);
    plan.name = imageName(request, plan.app.mainJar);
    plan.launcherName = plan.name + (request.target == ImageTarget::Windows ? ".exe" : "");
    progress("input: %s (%zu jar%s), main class %s", shownName(request.input).c_str(),
             plan.app.jars.size(), plan.app.jars.size() == 1 ? "" : "s",
             plan.app.mainClass.c_str());
    for (const std::string& warning : plan.app.warnings) warn("%s", warning.c_str());
    checkRuntimeChoice(plan);
    return plan;
}

std::string buildImage(ImagePlan& plan, const std::string& folder) {
    const PackageRequest& request = plan.request;
    plan.config = launcherConfig(plan);

    std::string building = beginImage(folder, plan.name);
    if (!request.runtimeImage.empty()) {
        progress("runtime: copying %s (%s %s)", shownName(request.runtimeImage).c_str(),
                 targetName(request.target), plan.runtime.javaVersion.c_str());
        copyRuntime(request.runtimeImage, request.target, building);
    } else {
        std::vector<std::string> jars;
        for (const std::string& jar : plan.app.jars) jars.push_back(request.input + "/" + jar);
        jars.push_back(plan.files.runtimeJar);
        progress("runtime: finding the modules the jars need with jdeps");
        std::vector<std::string> modules =
            runtimeModules(plan.jdk, jars, request.addModules, plan.windowsJdk.jmods);
        std::vector<std::string> options = request.jlinkOptions;
        if (!request.jlinkOptionsGiven)
            options.assign(std::begin(kDefaultJlinkOptions), std::end(kDefaultJlinkOptions));
        if (request.target == ImageTarget::Windows)
            linkWindowsRuntime(plan.jdk, plan.windowsJdk, modules, options, building);
        else
            linkLinuxRuntime(plan.jdk, modules, options, building);
    }
    makeFolder(building + "/bin");
    if (request.target == ImageTarget::Linux &&
        needsBaseArchive(request.cds, plan.runtime.featureVersion))
        provideBaseArchive(building, stampLauncher(plan));
    copyApplication(plan, building);
    if (request.cds != CdsMode::Train) {
        progress("launcher: stamping bin/%s", plan.launcherName.c_str());
        stamp(plan, plan.config, building + "/bin/" + plan.launcherName);
    }
    if (request.target == ImageTarget::Linux && !request.metadata.iconPath.empty())
        copyLinuxIcon(request.metadata.iconPath, building, plan.name);
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
