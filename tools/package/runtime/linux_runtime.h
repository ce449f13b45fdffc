// The Java runtime of a Linux image: linked by jlink from the JDK's modules, the way the JDK's
// own packager links one, with the runtime's CDS archive kept.
#pragma once

#include <string>
#include <vector>

#include "package/inputs/module_path.h"
#include "package/runtime/jdk_tools.h"

namespace trellane {

// The options jlink gets when --jlink-options is not given.
extern const char* const kDefaultJlinkOptions[4];

// Links a runtime with these modules at output (which must not exist yet), or copies the
// cached one. The CDS archive is always made:
// jlink makes it by running the new runtime's own java, so native commands are stripped after
// linking rather than by jlink.
void linkLinuxRuntime(const JdkTools& jdk, const std::vector<std::string>& modules,
                      const std::vector<std::string>& jlinkOptions, const std::string& output,
                      const std::vector<ModuleEntry>& appModules = {});

}  // namespace trellane
