// A ready Java runtime (--runtime-image) copied to the image's root.
#pragma once

#include <string>

#include "package/request/package_request.h"

namespace trellane {

// Copies runtime to image (which must not exist yet). A Windows runtime's bin/server/ goes to
// bin/: Windows loads jvm.dll from the launcher's own folder, and the JVM takes its CDS
// archive (classes.jsa) from beside jvm.dll. The archive for heaps beyond 32 GB
// (classes_nocoops.jsa) stays out, as in a linked Linux runtime.
void copyRuntime(const std::string& runtime, ImageTarget target, const std::string& image);

}  // namespace trellane
