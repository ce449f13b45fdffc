// --type msi: the Windows image built as for --type app-image, in a work folder, then wrapped
// by wixl into DEST/NAME-VERSION.msi, signed like the launcher and verified, and put in place
// whole. Every check that needs no image comes first, so a refusal writes nothing.
#pragma once

#include "package/request/package_request.h"

namespace trellane {

void buildMsi(const PackageRequest& request);

}  // namespace trellane
