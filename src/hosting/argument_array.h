#pragma once

#include <jni.h>

#include "config/launch_config.h"

namespace trellane {

// The String[] for main: the default arguments, then the command-line arguments, each the
// characters of its UTF-8 text, nothing expanded.
jobjectArray buildArgumentArray(JNIEnv* env, const StringList& defaultArguments,
                                int argumentCount, const char* const* arguments);

}  // namespace trellane
