// The launch configuration: what the packaging tool stamped into this launcher.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

using StringList = std::vector<std::string>;

struct LaunchConfig {
    bool useMainThread = false;
    bool isConsoleApp = false;
    bool setUpConsole = false;
    bool redirectAppDataVariables = false;
    // Not a flag bit: set when jvmOptions hold -Dtrellane.singleInstance=ID (block_format.h),
    // the tools' request for that option.
    bool singleInstance = false;
    uint32_t launchThreadStackSize = 0;
    std::string mainClassName;
    // Also the JVM option list: the launch sequence extends and rewrites it in place.
    StringList jvmOptions;
    StringList defaultAppArguments;
    StringList allowedUserOptionPrefixes;
};

// The one process-wide record, parsed from the configuration area before main runs.
extern LaunchConfig launchConfig;

}  // namespace trellane
