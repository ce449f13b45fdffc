// trellane-package's run, stage by stage (docs/development.md draws it): the request, read by
// main; the application's input and the runtime, checked; the image, built; then either the
// image put at DEST/NAME (--type app-image) or the one installer --type names making its
// package of it.
#pragma once

#include "package/request/package_request.h"

namespace trellane {

void runPipeline(const PackageRequest& request);

}  // namespace trellane
