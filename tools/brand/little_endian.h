// Little-endian integers in byte strings, as Windows' resource formats store them. Readers
// take offsets their caller has checked against the string's size.
#pragma once

#include <cstdint>
#include <string>

namespace trellane {

inline uint32_t readLittle(const std::string& bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

inline void appendLittle(std::string& out, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

}  // namespace trellane
