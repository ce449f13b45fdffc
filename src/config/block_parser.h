#pragma once

#include <cstddef>

#include "config/launch_config.h"

namespace trellane {

// Parses the block at the start of an area of areaSize bytes into config. Never reads
// outside the area. Returns null on success, or the message that ends the launch: an area
// that was never stamped, or a block that runs past the area's end.
const char* parseLaunchConfig(const unsigned char* area, size_t areaSize, LaunchConfig& config);

}  // namespace trellane
