// --cds (train) for an installer's package. The training run happens in the image where it is
// built, before the installer moves it into its package, so what it makes must serve wherever
// the package installs the image: the ahead-of-time cache of runtime 24 and later does (found
// through "&&", checked by the jars' paths relative to the image, their sizes and times, which
// a package keeps); the dynamic archive of older runtimes records the class path's absolute
// location and would never serve. One rule for every installer, by the runtime's version.
#pragma once

#include "package/image/image_builder.h"

namespace trellane {

// Refuses --cds train, saying why and what to do, when the runtime's archive would not serve
// from where the package installs the image.
void checkInstalledCds(const ImagePlan& plan);

// With --cds train, before the training run in the image built at image: the cache records
// the jars' modification times, and a package builder clamps every file's time to
// SOURCE_DATE_EPOCH when that is set (dpkg-deb does), so the image's files get the clamped
// times first, the ones they will have once installed; otherwise a runtime that checks them
// would not use the cache.
void clampTimesForCds(const ImagePlan& plan, const std::string& image);

}  // namespace trellane
