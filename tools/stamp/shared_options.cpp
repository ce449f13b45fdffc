#include "stamp/shared_options.h"

#include <functional>

#include "brand/signing.h"
#include "common/command_line_style.h"
#include "common/refusal.h"
#include "common/stack_size.h"
#include "stamp/single_instance_option.h"

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

using Convert = std::function<JpackageValues(const std::vector<std::string>&)>;

// The values of the jpackage-style option and of the exact one, in the order given: each run
// of jpackage-style values converted as one (a module option's value may be the next value),
// the exact ones as they are.
JpackageValues inOrder(const CLI::App& command, const char* styled, const char* exact,
                       const Convert& convert) {
    const CLI::Option* styledOption = command.get_option_no_throw(styled);
    const CLI::Option* exactOption = command.get_option_no_throw(exact);
    size_t nextStyled = 0, nextExact = 0;
    std::vector<std::string> run;
    JpackageValues all;
    auto takeRun = [&] {
        if (run.empty()) return true;
        JpackageValues converted = convert(run);
        run.clear();
        all.problem = converted.problem;
        all.items.insert(all.items.end(), converted.items.begin(), converted.items.end());
        return all.problem.empty();
    };
    for (const CLI::Option* option : command.parse_order()) {
        if (option == styledOption) {
            run.push_back(styledOption->results()[nextStyled++]);
        } else if (option != nullptr && option == exactOption) {
            if (!takeRun()) return all;
            all.items.push_back(exactOption->results()[nextExact++]);
        }
    }
    takeRun();
    return all;
}

}  // namespace

std::vector<CLI::Option*> addLaunchOptions(CLI::App& command, LaunchConfig& config,
                                           SharedOptionTexts& texts, const char* group,
                                           bool exactForms) {
    std::vector<CLI::Option*> added;
    added.push_back(list(command, "--java-options", texts.javaOptions, "OPTIONS",
                         "JVM options, split as jpackage splits them (repeatable, in order)",
                         group));
    added.push_back(list(command, "--arguments", texts.arguments, "ARGS",
                         "main's first arguments, split the same way (repeatable)", group));
    if (exactForms) {
        added.push_back(list(command, "--jvm-option", texts.exactOptions, "OPTION",
                             "one JVM option exactly as written (repeatable)", group));
        added.push_back(list(command, "--default-argument", texts.exactArguments, "ARG",
                             "one argument exactly as written (repeatable)", group));
    }
    added.push_back(list(command, "--allow-user-option", config.allowedUserOptionPrefixes,
                         "PREFIX", "a prefix TRELLANE_JVM_OPTIONS may use (repeatable)", group));
    added.push_back(value(command, "--stack-size", texts.stackSize, "N[k|m]",
                          "the launch thread's stack in bytes, KiB or MiB", group));
    added.push_back(flag(command, "--use-main-thread", config.useMainThread,
                         "run main on the primary thread", group));
    added.push_back(flag(command, "--console-app", config.isConsoleApp,
                         "a console application: no error boxes", group));
    added.push_back(flag(command, "--set-up-console", config.setUpConsole,
                         "with --console-app: UTF-8 console, VT output (Windows)", group));
    added.push_back(flag(command, "--redirect-appdata", config.redirectAppDataVariables,
                         "LOCALAPPDATA, APPDATA from package folders (Windows)", group));
    added.push_back(value(command, "--single-instance", texts.singleInstance, "[=ID]",
                          "one instance per user and session: later launches hand it their "
                          "arguments",
                          group)
                        ->expected(0, 1));
    return added;
}

void takeLaunchLists(const CLI::App& command, PathStyle style, ClassPathSource classPath,
                     LaunchConfig& config) {
    JpackageValues options =
        inOrder(command, "--java-options", "--jvm-option",
                [&](const std::vector<std::string>& values) {
                    return javaOptionsFromJpackage(values, style, classPath);
                });
    if (!options.problem.empty()) refuse("%s", options.problem.c_str());
    refuseInstanceOptionAmong(options.items);
    JpackageValues arguments = inOrder(command, "--arguments", "--default-argument",
                                       [](const std::vector<std::string>& values) {
                                           return argumentsFromJpackage(values);
                                       });
    if (!arguments.problem.empty()) refuse("%s", arguments.problem.c_str());
    config.jvmOptions = options.items;
    config.defaultAppArguments = arguments.items;
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
          "its password: this file's first line ('-': standard input)", group);
    value(command, "--sign-password-env", signing.passwordEnv, "VARIABLE",
          "its password: this variable's value", group);
    value(command, "--sign-cert", signing.certPath, "FILE",
          "or sign with this PEM certificate chain...", group);
    value(command, "--sign-key", signing.keyPath, "FILE", "...and this PEM key", group);
    value(command, "--sign-pkcs11-module", signing.pkcs11Module, "FILE",
          "or sign with a key on a token: its PKCS #11 library...", group);
    value(command, "--sign-key-uri", signing.keyUri, "URI",
          "...the key's pkcs11: URI...", group);
    value(command, "--sign-cert-uri", signing.certUri, "URI",
          "...and the certificate's (or --sign-cert FILE)", group);
    value(command, "--sign-pin-file", signing.pinFile, "FILE",
          "the token's PIN: this file's first line ('-': standard input)", group);
    value(command, "--sign-pin-env", signing.pinEnv, "VARIABLE",
          "the token's PIN: this variable's value", group);
    value(command, "--sign-command", signing.command, "'CMD ... {}'",
          "or sign with this command, {} the file's path", group);
    value(command, "--timestamp-url", signing.timestampUrl, "URL",
          "an RFC 3161 timestamp server (optional)", group);
    value(command, "--sign-timeout", texts.signTimeout, "SECONDS",
          "each osslsigncode or sign command run's limit (default: 120)", group);
}

void finishSharedOptions(const CLI::App& command, LaunchConfig* config, SigningRequest& signing,
                         const SharedOptionTexts& texts) {
    refuseEmptyValues(command, {"--app-version", "--vendor", "--copyright", "--icon",
                                "--identity", "--sign-pkcs12", "--sign-password-file",
                                "--sign-password-env", "--sign-cert", "--sign-key",
                                "--sign-pkcs11-module", "--sign-key-uri", "--sign-cert-uri",
                                "--sign-pin-file", "--sign-pin-env", "--sign-command",
                                "--timestamp-url"});
    if (config != nullptr && command.count("--stack-size") != 0)
        config->launchThreadStackSize = parseStackSize(texts.stackSize);
    if (config != nullptr) config->singleInstance = command.count("--single-instance") != 0;
    if (command.count("--sign-timeout") != 0)
        signing.timeoutSeconds = parseSignTimeout(texts.signTimeout);
}

}  // namespace trellane
