// jpackage's association properties as support/java_properties reads them. Entries the
// input chooses, written as Java's Properties.store writes them (every character that means
// something escaped, the rest as it is), must read back as themselves, in order, a key given
// again keeping its last value; and any text whatever is read without a crash, giving valid
// UTF-8 when it was UTF-8 (an escape outside it is refused, never turned into bad bytes).
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "package/support/java_properties.h"

namespace trellane {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Properties.store's escaping: key blanks always, a value's leading blank, \t \n \r \f, '\\',
// '=', ':', '#', '!' and control characters as \uXXXX; other bytes as they are.
std::string stored(const std::string& text, bool key) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case ' ':
                out += (key || i == 0) ? "\\ " : " ";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\\':
            case '=':
            case ':':
            case '#':
            case '!':
                out += '\\';
                out += static_cast<char>(c);
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04X", c);
                    out += escape;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

bool isUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t count = c < 0x80                 ? 1
                       : c >= 0xC2 && c <= 0xDF ? 2
                       : c >= 0xE0 && c <= 0xEF ? 3
                       : c >= 0xF0 && c <= 0xF4 ? 4
                                                : 0;
        if (count == 0 || i + count > text.size()) return false;
        uint32_t code = count == 1 ? c : c & (0xFF >> (count + 1));
        for (size_t k = 1; k < count; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[count] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += count;
    }
    return true;
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    fuzz::FuzzInput input(data, size);

    // Entries written as Java writes them, with a comment and assorted line ends.
    Entries given;
    std::string text = "#written\r\n";
    for (int count = input.byte() % 6; count > 0; --count) {
        std::string key = input.text(), value = input.text();
        if (key.empty()) continue;
        const char* separators[] = {"=", ":", " ", " = ", "\t:"};
        const char* ends[] = {"\n", "\r\n", "\r"};
        text += stored(key, true) + separators[key.size() % 5] + stored(value, false) +
                ends[value.size() % 3];
        given.emplace_back(key, value);
    }
    Entries expected;
    for (const auto& [key, value] : given) {
        bool found = false;
        for (auto& entry : expected)
            if (entry.first == key) entry.second = value, found = true;
        if (!found) expected.emplace_back(key, value);
    }
    Entries read;
    std::string problem;
    FUZZ_CHECK(readJavaProperties(text, read, problem));
    FUZZ_CHECK(read == expected);

    // The rest as a file of its own.
    std::string rest = input.rest();
    read.clear();
    if (readJavaProperties(rest, read, problem) && isUtf8(rest))
        for (const auto& [key, value] : read) FUZZ_CHECK(isUtf8(key) && isUtf8(value));
    return 0;
}
