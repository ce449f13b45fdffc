// The file a Linux package (.deb, .rpm) is: dest/FILE, checked before anything is built, built
// in the temporary folder beside the image and renamed into --dest whole, so that a refusal or
// an interruption leaves nothing.
#pragma once

#include <string>

#include "package/image/image_builder.h"
#include "package/request/package_request.h"

namespace trellane {

// Refuses a destination the package cannot go to: dest/FILE exists (without --overwrite, or
// not as a file).
void checkPackageDestination(const PackageRequest& request, const std::string& fileName);

// Renames the package built at built (in the temporary folder) to dest/FILE, replacing a
// package there only with --overwrite; stops first when the command was interrupted. Returns
// that path.
std::string placePackage(const PackageRequest& request, const std::string& built,
                         const std::string& fileName);

// Ends the image stage and says which package was built, its size and the packaging's time.
// Returns package.
std::string finishPackage(const ImagePlan& plan, const std::string& package);

}  // namespace trellane
