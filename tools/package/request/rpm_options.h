// The options of an RPM package (--type rpm), under jpackage's names and meanings: the Linux
// packages' own (package/request/linux_package_options) and the license's name. Read as given;
// installers/rpm checks each value once the application's name is known.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "package/request/linux_package_options.h"

namespace trellane {

struct RpmOptions : LinuxPackageOptions {
    std::string licenseType;  // --linux-rpm-license-type: the License tag
};

void addRpmOptions(CLI::App& command, RpmOptions& options, const char* group);

// After parsing: without --type rpm, an option of this group has nothing to go into, so it is
// refused, saying so.
void refuseRpmOptionsWithoutRpm(const CLI::App& command);

}  // namespace trellane
