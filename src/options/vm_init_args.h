#pragma once

#include <jni.h>

#include <string>

#include "config/launch_config.h"
#include "options/option_pipeline.h"

namespace trellane {

// Expands every option of the list in order (dumping each to standard error when dump is
// set) and points initArgs at them. initArgs' version and ignoreUnrecognized are the caller's.
void buildVmInitArgs(JavaVMInitArgs& initArgs, StringList& options,
                     const ExpansionContext& context, bool dump);

}  // namespace trellane
