// The launch thread's stack from -Xss. The java command runs main on a thread of the -Xss
// size; the launcher's JVM applies -Xss only to the threads it starts itself, while main runs
// on the launch thread that the block sizes. So an image whose options hold -Xss gets that
// size for the launch thread too, unless --stack-size says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/launch_config.h"

namespace trellane {

// The size of the last -Xss among the configuration's JVM options (the one the JVM keeps), or
// the configuration's launch thread size when there is none. Refuses a -Xss the JVM would
// refuse at every start: one that is not a size, or over 1 GiB.
uint32_t stackSizeOfJavaOptions(const LaunchConfig& config);

}  // namespace trellane
