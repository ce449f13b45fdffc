// The header fields written last, after every other edit: the subsystem, and the checksum,
// which covers the whole file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trellane {

// The loader's image checksum: a 16-bit one's-complement sum of the file's little-endian
// words (an odd last byte padded with zero), the four bytes at checksumField taken as zeros, plus
// the file's length.
uint32_t imageChecksum(const std::string& file, size_t checksumField);

// Rewrite the header's checksum for the file as it now is; false with a problem when the
// file is not a PE32+ image.
bool writeChecksum(std::string& file, std::string& problem);

// Sets the subsystem (kSubsystemGui, kSubsystemConsole); false with a problem when the file
// is not a PE32+ image. The checksum is left stale.
bool writeSubsystem(std::string& file, uint16_t subsystem, std::string& problem);

}  // namespace trellane
