// Little-endian fields of a file held in memory. Reads take an offset the caller has already
// checked with fits(); every size sum is done in 64 bits, so no u32 field can wrap a check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trellane {

// Whether length bytes from offset lie inside a buffer of size bytes.
inline bool fits(size_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

inline uint16_t readU16(const std::string& bytes, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t readU32(const std::string& bytes, size_t offset) {
    return readU16(bytes, offset) | static_cast<uint32_t>(readU16(bytes, offset + 2)) << 16;
}

inline void writeU16(std::string& bytes, size_t offset, uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

inline void writeU32(std::string& bytes, size_t offset, uint32_t value) {
    writeU16(bytes, offset, static_cast<uint16_t>(value & 0xFFFF));
    writeU16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

// value rounded up to a multiple of alignment, a power of two.
inline uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace trellane
