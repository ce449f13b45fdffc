#include "common/plain_text.h"

#include <cstdint>
#include <cstdio>

namespace trellane {

namespace {

// The character at text[i] and its length in bytes; length 0 when the bytes there are not a
// well-formed UTF-8 character.
uint32_t decodeAt(const std::string& text, size_t i, size_t& length) {
    unsigned char first = static_cast<unsigned char>(text[i]);
    length = 0;
    size_t size = first < 0x80           ? 1
                  : (first >> 5) == 0x6  ? 2
                  : (first >> 4) == 0xE  ? 3
                  : (first >> 3) == 0x1E ? 4
                                         : 0;
    if (size == 0 || i + size > text.size()) return 0;
    uint32_t code = size == 1 ? first : first & (0x7F >> size);
    for (size_t k = 1; k < size; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[size] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    length = size;
    return code;
}

}  // namespace

bool isUtf8(const std::string& text) {
    for (size_t i = 0, length = 0; i < text.size(); i += length) {
        decodeAt(text, i, length);
        if (length == 0) return false;
    }
    return true;
}

std::string plainTextProblem(const std::string& text) {
    if (!isUtf8(text)) return "is not UTF-8 text";
    for (size_t i = 0, length = 0; i < text.size(); i += length) {
        uint32_t code = decodeAt(text, i, length);
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            char said[64];
            std::snprintf(said, sizeof said, "holds a control character (U+%04X)",
                          static_cast<unsigned>(code));
            return said;
        }
    }
    return "";
}

}  // namespace trellane
