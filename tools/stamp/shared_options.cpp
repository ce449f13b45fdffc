#include "stamp/shared_options.h"

#include "brand/signing.h"
#include "common/command_line_style.h"
#include "common/stack_size.h"

namespace trellane {

namespace {

CLI::Option* value(CLI::App& command, const char* name, std::string& field, const char* type,
                   const char* help, const char* group) {
    return command.add_option(name, field, help)->type_name(type)->group(group);
}

CLI::Option* list(CLI::App& command, const char* name, std::vector<std::string>& field,
                  const char* type, const char* help, const char* group) {
    return command.add_option(name, field, help)
        ->type_name(type)
        ->expected(1)
        ->take_all()
        ->group(group);
}

CLI::Option* flag(CLI::App& command, const char* name, bool& field, const char* help,
                  const char* group) {
    return command.add_flag(name, field, help)->group(group);
}

}  // namespace

std::vector<CLI::Option*> addLaunchOptions(CLI::App& command, LaunchConfig& config,
                                           SharedOptionTexts& texts, const char* group) {
    return {
        list(command, "--java-options,--jvm-option", config.jvmOptions, "OPTION",
             "a JVM option, e.g. -Xmx1g (repeatable, in order)", group),
        list(command, "--arguments,--default-argument", config.defaultAppArguments, "ARG",
             "an argument main gets first (repeatable)", group),
        list(command, "--allow-user-option", config.allowedUserOptionPrefixes, "PREFIX",
             "a prefix TRELLANE_JVM_OPTIONS may use (repeatable)", group),
        value(command, "--stack-size", texts.stackSize, "N[k|m]",
              "the launch thread's stack in bytes, KiB or MiB", group),
        flag(command, "--use-main-thread", config.useMainThread,
             "run main on the primary thread", group),
        flag(command, "--console-app", config.isConsoleApp,
             "a console application: no error boxes", group),
        flag(command, "--set-up-console", config.setUpConsole,
             "with --console-app: UTF-8 console, VT output (Windows)", group),
        flag(command, "--redirect-appdata", config.redirectAppDataVariables,
             "LOCALAPPDATA, APPDATA from package folders (Windows)", group),
    };
}

void addBrandingOptions(CLI::App& command, AppMetadata& metadata, const char* group) {
    value(command, "--app-version", metadata.version, "VERSION",
          "one to four dotted numbers (1.2 is 1.2.0.0)", group);
    value(command, "--vendor", metadata.vendor, "TEXT", "the vendor's name", group);
    value(command, "--copyright", metadata.copyright, "TEXT", "the copyright notice", group);
    value(command, "--icon", metadata.iconPath, "FILE",
          "a square PNG, or an .ico", group);
    value(command, "--identity", metadata.identity, "NAME",
          "the manifest's identity (default: Vendor.Name)", group);
    flag(command, "--gui-subsystem", metadata.guiSubsystem,
         "keep the GUI subsystem for a console-app", group);
}

void addSigningOptions(CLI::App& command, SigningRequest& signing, SharedOptionTexts& texts,
                       const char* group) {
    value(command, "--sign-pkcs12", signing.pkcs12Path, "FILE", "sign with this PKCS #12 file",
          group);
    value(command, "--sign-password-file", signing.passwordFile, "FILE",
          "its password: this file's first line", group);
    value(command, "--sign-password-env", signing.passwordEnv, "VARIABLE",
          "its password: this variable's value", group);
    value(command, "--sign-cert", signing.certPath, "FILE",
          "or sign with this PEM certificate chain...", group);
    value(command, "--sign-key", signing.keyPath, "FILE", "...and this PEM key", group);
    value(command, "--timestamp-url", signing.timestampUrl, "URL",
          "an RFC 3161 timestamp server (optional)", group);
    value(command, "--sign-timeout", texts.signTimeout, "SECONDS",
          "each osslsigncode run's limit (default: 120)", group);
}

void finishSharedOptions(const CLI::App& command, LaunchConfig* config, SigningRequest& signing,
                         const SharedOptionTexts& texts) {
    refuseEmptyValues(command, {"--app-version", "--vendor", "--copyright", "--icon",
                                "--identity", "--sign-pkcs12", "--sign-password-file",
                                "--sign-password-env", "--sign-cert", "--sign-key",
                                "--timestamp-url"});
    if (config != nullptr && command.count("--stack-size") != 0)
        config->launchThreadStackSize = parseStackSize(texts.stackSize);
    if (command.count("--sign-timeout") != 0)
        signing.timeoutSeconds = parseSignTimeout(texts.signTimeout);
}

}  // namespace trellane
