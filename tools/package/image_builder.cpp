#include "package/image_builder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/windows_names.h"
#include "package/app_input.h"
#include "package/cds_options.h"
#include "package/cds_training.h"
#include "package/class_path.h"
#include "package/deb_names.h"
#include "package/deb_package.h"
#include "package/image_output.h"
#include "package/jdk_tools.h"
#include "package/linux_icon.h"
#include "package/linux_runtime.h"
#include "package/progress.h"
#include "package/runtime_check.h"
#include "package/runtime_copy.h"
#include "package/stack_option.h"
#include "package/tool_files.h"
#include "package/windows_runtime.h"
#include "stamp/single_instance_option.h"
#include "stamp/write_command.h"

namespace trellane {

namespace {

struct Plan {
    const PackageRequest& request;
    ToolFiles files;
    AppInput app;
    std::string name;
    std::string launcherName;  // in bin/
    RuntimeFacts runtime;
    JdkTools jdk;           // when jlink makes the runtime
    WindowsJdk windowsJdk;  // when it links a Windows one
    LaunchConfig config;    // as the image's launcher is stamped
};

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
               name.c_str());
    }
    return name;
}

void checkRuntimeChoice(Plan& plan) {
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

// A Linux launcher carries no branding and no signature, so these options would do nothing;
// refused as trellane-stamp refuses them for a Linux launcher. --name and --app-version stay:
// they name the image and the CDS archive. --icon's PNG goes into a Linux image for menu
// entries, and a package names its maintainer and copyright after --vendor and --copyright.
void refuseWindowsOnlyOptions(const PackageRequest& request) {
    if (request.target == ImageTarget::Windows) return;
    const AppMetadata& m = request.metadata;
    const SigningRequest& s = request.signing;
    bool deb = request.type == PackageType::Deb;
    std::string given;
    for (const auto& [option, isGiven] : std::initializer_list<std::pair<const char*, bool>>{
             {"--vendor", !deb && !m.vendor.empty()},
             {"--copyright", !deb && !m.copyright.empty()},
             {"--identity", !m.identity.empty()},
             {"--gui-subsystem", m.guiSubsystem},
             {"--sign-pkcs12", !s.pkcs12Path.empty()},
             {"--sign-password-file", !s.passwordFile.empty()},
             {"--sign-password-env", !s.passwordEnv.empty()},
             {"--sign-cert", !s.certPath.empty()},
             {"--sign-key", !s.keyPath.empty()},
             {"--sign-pkcs11-module", !s.pkcs11Module.empty()},
             {"--sign-key-uri", !s.keyUri.empty()},
             {"--sign-cert-uri", !s.certUri.empty()},
             {"--sign-pin-file", !s.pinFile.empty()},
             {"--sign-pin-env", !s.pinEnv.empty()},
             {"--sign-command", !s.command.empty()},
             {"--timestamp-url", !s.timestampUrl.empty()}})
        if (isGiven) given += (given.empty() ? "" : ", ") + std::string(option);
    if (!given.empty())
        refuse(
            "%s brand or sign a Windows launcher, and a Linux image's launcher carries "
            "neither: leave them out, or give --target windows",
            given.c_str());
    if (!m.iconPath.empty()) checkLinuxIcon(m.iconPath);
}

LaunchConfig launcherConfig(const Plan& plan) {
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

void copyApplication(const Plan& plan, const std::string& image) {
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

void stamp(const Plan& plan, const LaunchConfig& config, const std::string& output) {
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

}  // namespace

std::string buildImage(const PackageRequest& request) {
    setQuiet(request.quiet);
    refuseWindowsOnlyOptions(request);
    double started = monotonicSeconds();
    Plan plan{request, locateToolFiles(request), {}, {}, {}, {}, {}, {}, {}};
    plan.app = readAppInput(request);
    plan.name = imageName(request, plan.app.mainJar);
    plan.launcherName = plan.name + (request.target == ImageTarget::Windows ? ".exe" : "");
    progress("input: %s (%zu jar%s), main class %s", shownName(request.input).c_str(),
             plan.app.jars.size(), plan.app.jars.size() == 1 ? "" : "s",
             plan.app.mainClass.c_str());
    for (const std::string& warning : plan.app.warnings) warn("%s", warning.c_str());
    checkRuntimeChoice(plan);
    DebDescription deb;
    if (request.type == PackageType::Deb) {
        deb = describeDeb(request, plan.name, debArchitecture());
        if (request.cds == CdsMode::Train)
            refuse("--cds train records where the image is while it is built, not where the "
                   "package installs it: leave it out, or give --cds auto (runtime 19 or later)");
        checkDebDestination(request, deb);
    } else {
        checkImageDestination(request.dest, plan.name, request.input, request.overwrite);
    }
    plan.config = launcherConfig(plan);

    std::string building = beginImage(request.dest, plan.name);
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
    StampLauncher stampLauncher = [&plan](const LaunchConfig& config, const std::string& output) {
        stamp(plan, config, output);
    };
    if (request.target == ImageTarget::Linux &&
        needsBaseArchive(request.cds, plan.runtime.featureVersion))
        provideBaseArchive(building, stampLauncher);
    copyApplication(plan, building);
    if (request.cds != CdsMode::Train) {
        progress("launcher: stamping bin/%s", plan.launcherName.c_str());
        stamp(plan, plan.config, building + "/bin/" + plan.launcherName);
    }
    if (request.target == ImageTarget::Linux && !request.metadata.iconPath.empty())
        copyLinuxIcon(request.metadata.iconPath, building, plan.name);
    if (request.type == PackageType::Deb) {
        std::string package = writeDebPackage(request, deb, building);
        finishImage();
        struct stat info;
        progress("built %s (%s) in %.1f s", package.c_str(),
                 describeSize(stat(package.c_str(), &info) == 0 ? info.st_size : 0).c_str(),
                 monotonicSeconds() - started);
        return package;
    }

    std::string image = placeImage(request.overwrite);
    // The run happens in the image at its destination: the older archive records the class
    // path's absolute location. A failure still removes it (and puts a replaced image back).
    if (request.cds == CdsMode::Train)
        trainArchive(
            request,
            {image, plan.name, plan.launcherName, plan.runtime.featureVersion, plan.config},
            stampLauncher);
    finishImage();
    if (request.type == PackageType::Msi)  // the image is the installer's content, not to run
        progress("image: built %s (%s) in %.1f s", shownName(image).c_str(),
                 describeSize(treeSize(image)).c_str(), monotonicSeconds() - started);
    else
        progress("built %s (%s) in %.1f s; run %s/bin/%s", shownName(image).c_str(),
                 describeSize(treeSize(image)).c_str(), monotonicSeconds() - started,
                 shownName(image).c_str(), plan.launcherName.c_str());
    return image;
}

}  // namespace trellane
