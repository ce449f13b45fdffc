#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// Shows a refused option before the launch ends (showErrorBox in the launcher).
using ErrorBoxFunction = void (*)(const char* caption, const char* text);

// True when option starts with one of prefixes, byte for byte; an empty prefix allows all.
bool isAllowedUserOption(const std::string& option, const StringList& prefixes);

// Appends the options of value (the text of TRELLANE_JVM_OPTIONS, null when unset) to
// config.jvmOptions when the configured prefixes allow every one of them; otherwise ends the
// launch, showing a refused option with showBox first unless the application is a console
// one.
void mergeUserJvmOptions(const char* value, LaunchConfig& config, ErrorBoxFunction showBox);

// The same for the launcher: reads TRELLANE_JVM_OPTIONS and shows refusals with showErrorBox.
void mergeUserJvmOptions(LaunchConfig& config);

}  // namespace trellane
