// --type: what trellane-package hands over at the end. An app image is the folder itself; an
// installer wraps the image the same command builds, for the one system it installs on.
#pragma once

#include <string>

#include "package/request/package_request.h"

namespace trellane {

// The value of --type, as jpackage spells it: "app-image" (the default), "msi", "deb" or "rpm".
// Refuses any other value as a usage error.
PackageType parsePackageType(const std::string& text);

const char* packageTypeName(PackageType type);

// The image system a type needs: an MSI a Windows image, a .deb and an .rpm a Linux one.
// targetGiven is the --target value when the command line has one, else empty; one that contradicts
// the type is a usage error. An app image takes the --target given, Linux by default.
ImageTarget targetOfType(PackageType type, const std::string& targetGiven);

}  // namespace trellane
