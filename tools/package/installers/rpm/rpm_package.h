// --type rpm: the image this command built, moved into a package's tree beside the desktop
// files and the license, and packed by rpmbuild (installers/rpm/rpm_recipe) in a top folder
// inside the temporary folder; the package is renamed into --dest whole, so a refusal or an
// interruption leaves nothing.
#pragma once

#include <string>

#include "package/installers/rpm/rpm_names.h"
#include "package/request/package_request.h"

namespace trellane {

// rpm's name for this machine's architecture ("x86_64"): the runtime is the build machine's.
std::string rpmArchitecture();

// Moves the image from image (inside the temporary folder) into the package's tree beside it,
// builds the package there, and renames it to dest/FILE. Returns that path.
std::string writeRpmPackage(const PackageRequest& request, const RpmDescription& rpm,
                            const std::string& image);

}  // namespace trellane
