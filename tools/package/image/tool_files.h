// The files every image gets from this project: the unstamped launcher of the target and
// trellane-runtime.jar. By default those of the dist/ folder this tool is in (dist/bin/).
#pragma once

#include <string>

#include "package/request/package_request.h"

namespace trellane {

struct ToolFiles {
    std::string launcher;
    std::string runtimeJar;
};

// Refuses, saying how to get them, when they are missing.
ToolFiles locateToolFiles(const PackageRequest& request);

}  // namespace trellane
