// The UTF-8 to modified UTF-8 conversion: whatever the bytes, the JVM gets well-formed
// modified UTF-8 (one to three bytes a character, surrogates in pairs, no NUL); text that
// glibc's decoder takes as UTF-8 keeps its characters; anything else shows U+FFFD.
#include <iconv.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "hosting/java_string.h"

namespace {

// glibc's UTF-8 decoder, which refuses overlong forms, surrogates and code points beyond
// U+10FFFF, as the reference for what well-formed UTF-8 is. False when it refuses.
bool decodeWithIconv(const std::string& text, std::u32string& characters) {
    static iconv_t decoder = iconv_open("UTF-32LE", "UTF-8");
    FUZZ_CHECK(decoder != reinterpret_cast<iconv_t>(-1));
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    characters.assign(text.size(), 0);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* out = reinterpret_cast<char*>(&characters[0]);
    size_t outLeft = characters.size() * sizeof(char32_t);
    if (iconv(decoder, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) return false;
    characters.resize(characters.size() - outLeft / sizeof(char32_t));
    return true;
}

// Modified UTF-8, strictly: shortest forms of one to three bytes, no NUL, a high surrogate
// always followed by a low one, which together stand for one character beyond U+FFFF.
bool decodeModified(const std::string& text, std::u32string& characters) {
    characters.clear();
    char32_t pendingHigh = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t c = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        const char32_t shortest = length == 1 ? 1 : length == 2 ? 0x80 : 0x800;
        if (c < shortest) return false;
        i += length;
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if ((pendingHigh != 0) != low) return false;
        if (high) {
            pendingHigh = c;
        } else if (low) {
            characters += 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00);
            pendingHigh = 0;
        } else {
            characters += c;
        }
    }
    return pendingHigh == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));

    const std::string converted = trellane::toModifiedUtf8(text.c_str());
    std::u32string characters, expected;
    FUZZ_CHECK(decodeModified(converted, characters));
    if (decodeWithIconv(text, expected)) {
        FUZZ_CHECK(characters == expected);
        bool beyondFfff = false;
        for (char32_t c : expected) beyondFfff = beyondFfff || c > 0xFFFF;
        FUZZ_CHECK(beyondFfff || converted == text);
    } else {
        FUZZ_CHECK(characters.find(U'\uFFFD') != std::u32string::npos);
    }
    return 0;
}
