#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// "-Dsun.java.command=" + main class (a main module as mainCommandName gives it), then each
// default argument and each command-line argument behind one space, nothing quoted. A count
// of zero or less adds no argument.
std::string buildCommandOption(int argumentCount, const char* const* arguments,
                               const LaunchConfig& config);

}  // namespace trellane
