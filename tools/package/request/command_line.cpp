#include "package/request/command_line.h"

#include <CLI/CLI.hpp>

#include <initializer_list>
#include <utility>

#include "brand/signing.h"
#include "common/command_line_style.h"
#include "common/main_module.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/text_split.h"
#include "package/request/deb_options.h"
#include "package/request/installer_options.h"
#include "package/request/linux_package_options.h"
#include "package/request/msi_options.h"
#include "package/request/package_type.h"
#include "package/request/rpm_options.h"
#include "stamp/shared_options.h"

namespace trellane {

namespace {

const char kDescription[] =
    "trellane-package builds an app image: a folder holding the stamped launcher, a Java\n"
    "runtime and the application's files, ready to run or to pack into an installer.\n"
    "It builds Windows images and Linux images, both on Linux, and Debian and RPM\n"
    "packages of Linux images (--type deb, --type rpm).";

const char kFooter[] =
    "Layout: DEST/NAME/bin/NAME (NAME.exe, with jvm.dll beside it, on Windows), the Java\n"
    "runtime at DEST/NAME, the input's files in DEST/NAME/app/. With --type msi:\n"
    "DEST/NAME-VERSION.msi, which installs that image; with --type deb or rpm:\n"
    "DEST/PACKAGE_VERSION-RELEASE_ARCH.deb or DEST/PACKAGE-VERSION-RELEASE.ARCH.rpm.\n"
    "\n"
    "@FILE reads arguments from FILE (a regular file), one option and its value per line by\n"
    "convention; spaces separate arguments, \"...\" and '...' group, # starts a comment line.\n"
    "\n"
    "Exit status: 0 built; 1 refused, nothing written; 2 command-line error.";

// "out/" and "out" alike, so messages and temporary names do not show "out//NAME".
void dropTrailingSlashes(std::string& path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
}

unsigned parseTimeout(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoul(text) == 0)
        refuseUsage("--cds-timeout '%s' is not a number of seconds (1 or more)", text.c_str());
    return static_cast<unsigned>(std::stoul(text));
}

// A Linux launcher carries no branding and no signature, so these options would do nothing;
// refused as trellane-stamp refuses them for a Linux launcher. --name and --app-version stay:
// they name the image and the CDS archive. --icon's PNG goes into a Linux image for menu
// entries (the image checks it), and a package names its maintainer and copyright after
// --vendor and --copyright.
void refuseWindowsOnlyOptions(const PackageRequest& request) {
    if (request.target == ImageTarget::Windows) return;
    const AppMetadata& m = request.metadata;
    const SigningRequest& s = request.signing;
    bool linuxPackage = request.type == PackageType::Deb || request.type == PackageType::Rpm;
    std::string given;
    for (const auto& [option, isGiven] : std::initializer_list<std::pair<const char*, bool>>{
             {"--vendor", !linuxPackage && !m.vendor.empty()},
             {"--copyright", !linuxPackage && !m.copyright.empty()},
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
}

}  // namespace

PackageRequest parseCommandLine(const std::vector<std::string>& arguments) {
    PackageRequest request;
    LaunchConfig& config = request.config;
    std::string target = "linux", type = "app-image", cds, timeout, trainStatus;
    SharedOptionTexts texts;

    CLI::App app(kDescription, "trellane-package");
    app.footer(kFooter);
    app.get_formatter()->column_width(34);
    // Each option joins the group of the help section it is declared in.
    const char* group = "";
    auto value = [&](const char* name, std::string& field, const char* type, const char* help) {
        return addValueOption(app, name, field, type, help, group);
    };
    auto list = [&](const char* name, std::vector<std::string>& field, const char* type,
                    const char* help) {
        return addListOption(app, name, field, type, help, group);
    };
    auto flag = [&](const char* name, bool& field, const char* help) {
        return app.add_flag(name, field, help)->group(group);
    };

    group = "Application";
    value("--input", request.input, "DIR", "(required) the application's files, copied to app/");
    value("--main-jar", request.mainJar, "JAR",
          "the jar with the main class, in --input (required unless --module)");
    value("--main-class", request.mainClass, "CLASS",
          "dotted (default: the main jar's Main-Class)");
    std::string mainModule;
    value("-m,--module", mainModule, "MODULE[/CLASS]",
          "a modular application's main module, and its main class unless the module's "
          "descriptor names it (instead of --main-jar)");
    list("-p,--module-path", request.modulePath, "PATH",
         "':'-separated folders, jars and jmods of the application's modules (repeatable)");
    std::vector<std::string> addedLaunchers;
    list("--add-launcher", addedLaunchers, "NAME=FILE",
         "another launcher in the image, FILE its properties (jpackage's keys); repeatable");
    list("--app-content", request.appContent, "PATH[,PATH...]",
         "files and folders copied into app/ besides --input (repeatable)");
    list("--class-path-wildcard", request.classPathWildcards, "DIR",
         "DIR's jars go on the class path as &&DIR/*.jar (repeatable)");

    group = "Image";
    value("--type", type, "app-image|msi|deb|rpm",
          "what to build: the image, an MSI installing it (implies --target windows), or a "
          "Debian or RPM package installing it (implies linux)");
    value("--target", target, "linux|windows", "the image's system (default: linux)");
    value("--name", request.name, "NAME",
          "the image's and launcher's name (default: the main jar's)");
    value("--dest", request.dest, "DIR", "the folder the image goes into (default: .)");
    flag("--overwrite", request.overwrite,
         "replace an image that trellane-package built at DEST/NAME");
    flag("--quiet", request.quiet, "no progress lines (warnings still show)");

    group = "Java runtime";
    value("--runtime-image", request.runtimeImage, "DIR",
          "a ready Java runtime to copy (windows: this or --runtime-jdk)");
    value("--runtime-jdk", request.runtimeJdk, "DIR",
          "windows: an unpacked Windows x64 JDK to link the runtime from");
    value("--jdk", request.jdk, "DIR",
          "the JDK whose jlink links the runtime (default: JAVA_HOME's)");
    list("--add-modules", request.addModules, "M[,M...]",
         "modules to link besides jdeps's (repeatable)");
    list("--jlink-options", request.jlinkOptions, "OPTIONS",
         "replace jlink's default options (repeatable)");
    value("--cds", cds, "[train|auto]",
          "an app CDS archive: trained now (linux) or made at first start")
        ->expected(0, 1)
        ->default_str("train");
    value("--cds-timeout", timeout, "SECONDS", "the training run's time limit (default: 120)");
    list("--cds-train-arg", request.trainArguments, "ARG",
         "an argument of the training run (repeatable)");
    value("--cds-train-status", trainStatus, "N",
          "the training run's exit status when it worked (default: 0)");

    addLaunchOptions(app, config, texts, "Launch configuration", false);

    group = "Windows launcher branding and signing";
    addBrandingOptions(app, request.metadata, group);
    addSigningOptions(app, request.signing, texts, group);

    InstallerOptions installer;
    addInstallerOptions(app, installer, "Installers (--type msi, deb, rpm)");
    addMsiOptions(app, request.msi, "Installer (--type msi)");
    LinuxPackageOptions linux;
    addLinuxPackageOptions(app, linux, "Linux packages (--type deb, rpm)");
    addDebOptions(app, request.deb, "Debian package (--type deb)");
    addRpmOptions(app, request.rpm, "RPM package (--type rpm)");

    group = "Build files";
    value("--launcher", request.launcher, "FILE", "the unstamped launcher (default: dist/'s)");
    value("--runtime-jar", request.runtimeJar, "FILE", "trellane-runtime.jar (default: dist/'s)");

    std::vector<std::string> left = parseInToolStyle(app, arguments);
    if (!left.empty()) refuseUsage("unexpected argument '%s'", left.front().c_str());

    // Checked here rather than by the parser, so an unknown option is named first.
    if (app.count("--module") != 0) {
        if (app.count("--main-jar") != 0)
            refuseUsage(
                "--main-jar and --module both say what the application starts with: give "
                "--module for a modular application, --main-jar for one on the class path");
        if (app.count("--main-class") != 0)
            refuseUsage("--module MODULE/CLASS names the main class: leave --main-class out");
        std::string problem;
        request.mainModule = mainModuleEntry(mainModule, problem);
        if (request.mainModule.empty()) refuseUsage("%s", problem.c_str());
        if (request.modulePath.empty() && app.count("--runtime-image") == 0)
            refuseUsage(
                "--module needs --module-path, the folders and jars of the application's "
                "modules (or --runtime-image, a runtime that holds the module)");
    } else {
        for (const char* required : {"--input", "--main-jar"})
            if (app.count(required) == 0)
                refuseUsage("%s is required (or --module, for a modular application)", required);
    }
    if (!request.classPathWildcards.empty() && app.count("--input") == 0)
        refuseUsage("--class-path-wildcard names a folder of --input: give --input");
    std::vector<std::string> appContent;
    for (const std::string& text : request.appContent)
        for (const std::string& path : splitWords(text, ",")) appContent.push_back(path);
    request.appContent = appContent;
    for (std::string& path : request.appContent) dropTrailingSlashes(path);
    if (target != "linux" && target != "windows")
        refuseUsage("--target %s: give linux or windows", shownName(target).c_str());
    request.type = parsePackageType(type);
    checkMsiOptions(app, request.type);
    if (request.type == PackageType::Deb)
        static_cast<LinuxPackageOptions&>(request.deb) = linux;
    else if (request.type == PackageType::Rpm)
        static_cast<LinuxPackageOptions&>(request.rpm) = linux;
    else
        refuseLinuxPackageOptionsWithoutPackage(app);
    if (request.type != PackageType::Deb) refuseDebOptionsWithoutDeb(app);
    if (request.type != PackageType::Rpm) refuseRpmOptionsWithoutRpm(app);
    applyInstallerOptions(app, installer, request);
    if (!cds.empty() && cds != "train" && cds != "auto")
        refuseUsage("--cds %s: give train (or nothing) or auto", cds.c_str());
    request.target = targetOfType(request.type, app.count("--target") != 0 ? target : "");
    if (!request.runtimeJdk.empty() && request.target != ImageTarget::Windows)
        refuseUsage(
            "--runtime-jdk links a Windows runtime: give --target windows, or leave it out (a "
            "Linux image's runtime is linked from --jdk)");
    if (!request.runtimeJdk.empty() && !request.runtimeImage.empty())
        refuseUsage("--runtime-image and --runtime-jdk both give the runtime: give one of them");
    dropTrailingSlashes(request.input);
    dropTrailingSlashes(request.dest);
    dropTrailingSlashes(request.runtimeImage);
    dropTrailingSlashes(request.runtimeJdk);
    // jlink's options carry no spaces in their values, so a value may hold several.
    std::vector<std::string> jlinkOptions;
    for (const std::string& text : request.jlinkOptions)
        for (const std::string& option : splitWords(text, " \t")) jlinkOptions.push_back(option);
    request.jlinkOptionsGiven = !request.jlinkOptions.empty();
    request.jlinkOptions = jlinkOptions;
    finishSharedOptions(app, &config, request.signing, texts);
    // jpackage's habits: several options in one value, its placeholders, the java command's
    // two-piece forms; what the launcher cannot do is refused here, not at every start.
    takeLaunchLists(app,
                    request.target == ImageTarget::Windows ? PathStyle::Windows : PathStyle::Linux,
                    ClassPathSource::Image, config);
    request.addedLaunchers = readAddedLaunchers(
        addedLaunchers,
        request.target == ImageTarget::Windows ? PathStyle::Windows : PathStyle::Linux);
    if (!cds.empty()) request.cds = cds == "auto" ? CdsMode::Auto : CdsMode::Train;
    if (!timeout.empty()) request.cdsTimeoutSeconds = parseTimeout(timeout);
    if (!trainStatus.empty()) {
        if (trainStatus.size() > 3 ||
            trainStatus.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(trainStatus) > 255)
            refuseUsage("--cds-train-status '%s' is not an exit status (0 to 255)",
                        trainStatus.c_str());
        request.cdsTrainStatus = std::stoi(trainStatus);
    }
    request.stackSizeGiven = app.count("--stack-size") != 0;
    request.singleInstanceId = texts.singleInstance;
    refuseWindowsOnlyOptions(request);
    // The key checked and the PIN read before anything is built (a Linux image's signing
    // options are refused with the image's other Windows-only options).
    if (request.target == ImageTarget::Windows) request.signing = prepareSigning(request.signing);
    return request;
}

}  // namespace trellane
