// Finding the configuration area in an executable file, ELF or PE alike: the area is the
// same 16,464 bytes in either, and carries no marker but its contents. Every search here takes
// one pass over the file, whatever the file holds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/launch_config.h"

namespace trellane {

// An area as built: a NUL and the 16,463 underscores right before it. A longer run of
// underscores holds the area at its end, since the area is what lies right before the NUL.
struct UnstampedArea {
    size_t offset = 0;       // of the area's first byte in the file
    size_t underscores = 0;  // the whole run before the NUL, at least 16,463
};

// Every unstamped area, in file order.
std::vector<UnstampedArea> findUnstampedAreas(const std::string& file);

struct StampedArea {
    size_t offset = 0;     // of the area's first byte in the file
    size_t blockSize = 0;  // bytes the block takes from there
    size_t fill = 0;       // underscores between the block and the area's final NUL
    LaunchConfig config;
};

// Whether the area at offset reads as stamped: a block that parses, then underscores up to
// a NUL that is the area's last byte (the block's own last byte when it fills the area).
bool readStampedArea(const std::string& file, size_t offset, StampedArea& area);

// The places that read as stamped with the most underscores after their block.
struct StampedPlaces {
    size_t count = 0;             // how many places tie
    size_t fill = 0;              // the underscores after each one's block
    std::vector<size_t> offsets;  // the first kListedPlaces of them, in file order
};
constexpr size_t kListedPlaces = 8;

// The stamped area, found by its contents: of every place that reads as stamped and shares
// no byte with an unstamped area, those with the most underscores after the block. A block
// leaves the rest of the area as underscores, and nothing else in an executable has thousands
// of them before a NUL, so this is one place, unless the block fills (nearly) the whole area:
// then several places can tie, and only the offset known from stamping tells them apart.
// Places inside an unstamped area's bytes are its underscores read as a block, not a stamp.
// Beside an unstamped area, a place counts only with underscores after its block: runs of
// NUL-terminated strings read as a block that fills the area in about one binary of seven.
StampedPlaces findStampedPlaces(const std::string& file,
                                const std::vector<UnstampedArea>& unstamped);

}  // namespace trellane
