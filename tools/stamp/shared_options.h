// The options both tools take for the same things, with the same names, help and checks: the
// launch configuration, a Windows launcher's branding, and signing. Each tool adds --name
// itself (trellane-package's also names the image).
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "brand/app_metadata.h"
#include "brand/signing_request.h"
#include "common/jpackage_values.h"
#include "config/launch_config.h"

namespace trellane {

// Values read as text and checked once parsing is done.
struct SharedOptionTexts {
    std::string stackSize;
    std::string signTimeout;
    std::vector<std::string> javaOptions, arguments;  // as jpackage takes them
    std::vector<std::string> exactOptions, exactArguments;  // one value, one entry
    std::string singleInstance;  // --single-instance's identity; empty: derived
};

// --java-options and --arguments (values as jpackage takes them), --allow-user-option,
// --stack-size, the switches and --single-instance[=ID]; with exactForms also trellane-stamp's own
// --jvm-option and
// --default-argument, whose every value is one entry as written (an empty one included), for
// what jpackage's splitting cannot say. Returns the options added.
std::vector<CLI::Option*> addLaunchOptions(CLI::App& command, LaunchConfig& config,
                                           SharedOptionTexts& texts, const char* group,
                                           bool exactForms);

// After parsing: the JVM options and default arguments into config, in the order given, the
// jpackage-style values split and their placeholders written in style. Refuses a value that
// cannot be taken, saying what to do.
void takeLaunchLists(const CLI::App& command, PathStyle style, ClassPathSource classPath,
                     LaunchConfig& config);

// --app-version, --vendor, --copyright, --icon, --identity, --gui-subsystem.
void addBrandingOptions(CLI::App& command, AppMetadata& metadata, const char* group);

// --sign-pkcs12, --sign-password-file, --sign-password-env, --sign-cert, --sign-key,
// --sign-pkcs11-module, --sign-key-uri, --sign-cert-uri, --sign-pin-file, --sign-pin-env,
// --sign-command, --timestamp-url, --sign-timeout.
void addSigningOptions(CLI::App& command, SigningRequest& signing, SharedOptionTexts& texts,
                       const char* group);

// After parsing: the stack size and the single-instance switch (when config is given) and the
// signing time limit read, and an empty branding or signing value refused (it would silently
// do nothing). The single-instance identity is each tool's to choose (single_instance_option.h).
void finishSharedOptions(const CLI::App& command, LaunchConfig* config, SigningRequest& signing,
                         const SharedOptionTexts& texts);

}  // namespace trellane
