// The one place that knows every installer: --type picks exactly one.
#pragma once

#include <memory>

#include "package/installers/installer.h"
#include "package/request/package_request.h"

namespace trellane {

// The installer of type; none for app-image, whose output is the image itself.
std::unique_ptr<Installer> chooseInstaller(PackageType type);

}  // namespace trellane
