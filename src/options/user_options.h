#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// Appends the options of TRELLANE_JVM_OPTIONS that the configured prefixes allow to
// config.jvmOptions, or ends the launch.
void mergeUserJvmOptions(LaunchConfig& config);

}  // namespace trellane
