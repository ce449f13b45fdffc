// The packaging run: every check first, then the image built step by step in a temporary
// folder and put in place whole.
#pragma once

#include <string>

#include "package/request/package_request.h"

namespace trellane {

// Returns where the image is: DEST/NAME.
std::string buildImage(const PackageRequest& request);

}  // namespace trellane
