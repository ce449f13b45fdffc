// What trellane-package leaves in --dest: an app image (the default), or an installer that
// wraps the image the same command builds.
#pragma once

#include <string>

namespace trellane {

enum class PackageType { AppImage, Msi, Deb };

// --type's value, as jpackage names it: "app-image", "msi", "deb". Anything else is a usage
// error that lists the values.
PackageType parsePackageType(const std::string& text);

}  // namespace trellane
