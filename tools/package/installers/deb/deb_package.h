// --type deb: the image this command built, wrapped by dpkg-deb into a Debian package that
// installs it under INSTALL_DIR/PACKAGE, with its dependencies computed by dpkg-shlibdeps from
// the runtime's native libraries, a copyright file and changelog where Debian keeps them, and a
// menu entry and file types when asked. The package file is written complete in the temporary
// folder and renamed into --dest, so a refusal or an interruption leaves nothing.
#pragma once

#include <string>

#include "package/installers/deb/deb_names.h"
#include "package/request/package_request.h"

namespace trellane {

// What dpkg --print-architecture says: the architecture of this machine's runtime.
std::string debArchitecture();

// Moves the image from image (inside the temporary folder) into the package's tree beside it,
// builds the package there, and renames it to dest/FILE. Returns that path.
std::string writeDebPackage(const PackageRequest& request, const DebDescription& deb,
                            const std::string& image);

}  // namespace trellane
