// Finding the configuration area in an executable file, ELF or PE alike: the area is the
// same 16,464 bytes in either, and carries no marker but its contents.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/launch_config.h"

namespace trellane {

// File offsets of every unstamped area: 16,463 underscores, then a NUL.
std::vector<size_t> findUnstampedAreas(const std::string& file);

struct StampedArea {
    size_t offset = 0;     // of the area's first byte in the file
    size_t blockSize = 0;  // bytes the block takes from there
    size_t fill = 0;       // underscores between the block and the area's final NUL
    LaunchConfig config;
};

// Whether the area at offset reads as stamped: a block that parses, then underscores up to
// a NUL that is the area's last byte (the block's own last byte when it fills the area).
bool readStampedArea(const std::string& file, size_t offset, StampedArea& area);

// The stamped area, found by its contents: of every place that reads as stamped, those
// with the most underscores after the block. A block leaves the rest of the area as
// underscores, and nothing else in an executable has thousands of them before a NUL, so
// this is one place, unless the block fills (nearly) the whole area: then several places
// can tie, and only the offset known from stamping tells them apart.
std::vector<StampedArea> findStampedArea(const std::string& file);

}  // namespace trellane
