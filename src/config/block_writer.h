#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// The block for config, byte for byte as the parser reads it. Returns false, with the reason
// in problem, for anything the format cannot hold: a list of more than 255 entries, a NUL
// inside a string, a block larger than the configuration area.
bool writeBlock(const LaunchConfig& config, std::string& block, std::string& problem);

}  // namespace trellane
