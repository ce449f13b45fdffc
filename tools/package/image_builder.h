// The packaging run: every check first, then the image built step by step in a temporary
// folder and put in place whole.
#pragma once

#include "package/package_request.h"

namespace trellane {

void buildImage(const PackageRequest& request);

}  // namespace trellane
