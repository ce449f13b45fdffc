#include "package/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "common/refusal.h"
#include "common/stack_size.h"
#include "package/text_split.h"

namespace trellane {

namespace {

const char kDescription[] =
    "trellane-package builds an app image: a folder holding the stamped launcher, a Java\n"
    "runtime and the application's files, ready to run or to pack into an installer.\n"
    "It builds Windows images and Linux images, both on Linux.";

const char kFooter[] =
    "Layout: DEST/NAME/bin/NAME (NAME.exe, with jvm.dll beside it, on Windows), the Java\n"
    "runtime at DEST/NAME, the input's files in DEST/NAME/app/.\n"
    "\n"
    "@FILE reads arguments from FILE, one option and its value per line by convention;\n"
    "spaces separate arguments, \"...\" and '...' group, # starts a comment line.\n"
    "\n"
    "Exit status: 0 built; 1 refused, nothing written; 2 command-line error.";

// "out/" and "out" alike, so messages and temporary names do not show "out//NAME".
void dropTrailingSlashes(std::string& path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
}

unsigned parseTimeout(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(text) == 0)
        refuseUsage("--cds-timeout '%s' is not a number of seconds (1 or more)", text.c_str());
    return static_cast<unsigned>(std::stoul(text));
}

}  // namespace

PackageRequest parseCommandLine(const std::vector<std::string>& arguments) {
    PackageRequest request;
    LaunchConfig& config = request.config;
    std::string target = "linux", stackSize, cds, timeout;

    CLI::App app(kDescription, "trellane-package");
    app.footer(kFooter);
    app.get_formatter()->column_width(34);
    auto value = [&app](const char* name, std::string& field, const char* help) {
        return app.add_option(name, field, help);
    };
    auto list = [&app](const char* name, std::vector<std::string>& field, const char* help) {
        return app.add_option(name, field, help)->expected(1)->take_all();
    };

    const char* application = "Application";
    value("--input", request.input, "(required) the application's files, copied to app/ whole")
        ->group(application)->type_name("DIR");
    value("--main-jar", request.mainJar, "(required) the jar with the main class, in --input")
        ->group(application)->type_name("JAR");
    value("--main-class", request.mainClass, "dotted (default: the main jar's Main-Class)")
        ->group(application)->type_name("CLASS");
    list("--class-path-wildcard", request.classPathWildcards,
         "DIR's jars go on the class path as &&DIR/*.jar (repeatable)")
        ->group(application)->type_name("DIR");

    const char* image = "Image";
    value("--target", target, "the image's system (default: linux)")
        ->group(image)->type_name("linux|windows");
    value("--name", request.name, "the image's and launcher's name (default: the main jar's)")
        ->group(image)->type_name("NAME");
    value("--dest", request.dest, "the folder the image goes into (default: .)")
        ->group(image)->type_name("DIR");
    app.add_flag("--overwrite", request.overwrite,
                 "replace an image that trellane-package built at DEST/NAME")->group(image);
    app.add_flag("--quiet", request.quiet, "no progress lines (warnings still show)")->group(image);

    const char* runtime = "Java runtime";
    value("--runtime-image", request.runtimeImage,
          "a ready Java runtime to copy (needed for windows)")->group(runtime)->type_name("DIR");
    value("--jdk", request.jdk, "the JDK that links a Linux runtime (default: JAVA_HOME's)")
        ->group(runtime)->type_name("DIR");
    list("--add-modules", request.addModules, "modules to link besides jdeps's (repeatable)")
        ->group(runtime)->type_name("M[,M...]");
    list("--jlink-options", request.jlinkOptions, "replace jlink's default options (repeatable)")
        ->group(runtime)->type_name("OPTIONS");
    value("--cds", cds, "an app CDS archive: trained now (linux) or made at first start")
        ->group(runtime)->expected(0, 1)->default_str("train")->type_name("[train|auto]");
    value("--cds-timeout", timeout, "the training run's time limit (default: 120)")
        ->group(runtime)->type_name("SECONDS");
    list("--cds-train-arg", request.trainArguments, "an argument of the training run (repeatable)")
        ->group(runtime)->type_name("ARG");

    const char* launch = "Launch configuration";
    list("--java-options", config.jvmOptions, "one JVM option, e.g. -Xmx1g (repeatable, in order)")
        ->group(launch)->type_name("OPTION");
    list("--arguments", config.defaultAppArguments, "one argument main gets first (repeatable)")
        ->group(launch)->type_name("ARG");
    list("--allow-user-option", config.allowedUserOptionPrefixes,
         "a prefix TRELLANE_JVM_OPTIONS may use (repeatable)")
        ->group(launch)->type_name("PREFIX");
    value("--stack-size", stackSize, "the launch thread's stack in bytes, KiB or MiB")
        ->group(launch)->type_name("N[k|m]");
    app.add_flag("--use-main-thread", config.useMainThread, "run main on the primary thread")
        ->group(launch);
    app.add_flag("--console-app", config.isConsoleApp, "a console application: no error boxes")
        ->group(launch);
    app.add_flag("--set-up-console", config.setUpConsole,
                 "with --console-app: UTF-8 console, VT output (Windows)")->group(launch);
    app.add_flag("--redirect-appdata", config.redirectAppDataVariables,
                 "LOCALAPPDATA, APPDATA from package folders (Windows)")->group(launch);

    const char* branding = "Windows launcher branding and signing";
    AppMetadata& metadata = request.metadata;
    value("--app-version", metadata.version, "the version, one to four dotted numbers")
        ->group(branding)->type_name("VERSION");
    value("--vendor", metadata.vendor, "the vendor's name")->group(branding)->type_name("TEXT");
    value("--copyright", metadata.copyright, "the copyright notice")->group(branding)->type_name("TEXT");
    value("--icon", metadata.iconPath, "a square PNG, or an .ico")->group(branding)->type_name("FILE");
    value("--identity", metadata.identity, "the manifest's assembly identity name")
        ->group(branding)->type_name("NAME");
    app.add_flag("--gui-subsystem", metadata.guiSubsystem,
                 "keep the GUI subsystem for a console application")->group(branding);
    SigningRequest& signing = request.signing;
    value("--sign-pkcs12", signing.pkcs12Path, "sign with this PKCS #12 file")
        ->group(branding)->type_name("FILE");
    value("--sign-password-file", signing.passwordFile, "its password, in this file")
        ->group(branding)->type_name("FILE");
    value("--sign-password-env", signing.passwordEnv, "its password, in this environment variable")
        ->group(branding)->type_name("VARIABLE");
    value("--sign-cert", signing.certPath, "or sign with this PEM certificate chain...")
        ->group(branding)->type_name("FILE");
    value("--sign-key", signing.keyPath, "...and this PEM key")->group(branding)->type_name("FILE");
    value("--timestamp-url", signing.timestampUrl, "an RFC 3161 time-stamping server")
        ->group(branding)->type_name("URL");

    const char* build = "Build files";
    value("--launcher", request.launcher, "the unstamped launcher (default: dist/'s)")
        ->group(build)->type_name("FILE");
    value("--runtime-jar", request.runtimeJar, "trellane-runtime.jar (default: dist/'s)")
        ->group(build)->type_name("FILE");

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        std::exit(0);
    } catch (const CLI::ParseError& error) {
        refuseUsage("%s", error.what());
    }

    // Checked here rather than by the parser, so an unknown option is named first.
    for (const char* required : {"--input", "--main-jar"})
        if (app.count(required) == 0) refuseUsage("%s is required", required);
    if (target != "linux" && target != "windows")
        refuseUsage("--target %s: give linux or windows", target.c_str());
    if (!cds.empty() && cds != "train" && cds != "auto")
        refuseUsage("--cds %s: give train (or nothing) or auto", cds.c_str());
    request.target = target == "windows" ? ImageTarget::Windows : ImageTarget::Linux;
    dropTrailingSlashes(request.input);
    dropTrailingSlashes(request.dest);
    dropTrailingSlashes(request.runtimeImage);
    // jlink's options carry no spaces in their values, so a value may hold several.
    std::vector<std::string> jlinkOptions;
    for (const std::string& text : request.jlinkOptions)
        for (const std::string& option : splitWords(text, " \t")) jlinkOptions.push_back(option);
    request.jlinkOptionsGiven = !request.jlinkOptions.empty();
    request.jlinkOptions = jlinkOptions;
    if (!stackSize.empty()) config.launchThreadStackSize = parseStackSize(stackSize);
    if (!cds.empty()) request.cds = cds == "auto" ? CdsMode::Auto : CdsMode::Train;
    if (!timeout.empty()) request.cdsTimeoutSeconds = parseTimeout(timeout);
    return request;
}

}  // namespace trellane
