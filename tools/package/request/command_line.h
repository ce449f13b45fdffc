#pragma once

#include <string>
#include <vector>

#include "package/request/package_request.h"

namespace trellane {

// Reads trellane-package's arguments (argument files already expanded). --help prints the
// usage and ends the process with 0; a wrong command line ends it with refuseUsage, and
// options the target cannot use (branding and signing for a Linux image) with refuse.
PackageRequest parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace trellane
