#include "brand/assembly_identity.h"

#include <algorithm>

#include "brand/utf16_text.h"

namespace trellane {

namespace {

// Longer names have no use, and the loader's own limits are not documented.
constexpr size_t kLongestIdentity = 255;

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

// The Latin-1 letters U+00C0 to U+00FF as ASCII ("" for the two signs among them), so
// "Zoë Café" keeps its letters as "ZoeCafe".
const char* const kLatinLetters[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y",
};

// The safe characters of the text, its dots kept as part separators.
std::string safeParts(const std::string& text) {
    std::u16string decoded;
    if (!decodeUtf8(text, decoded)) return "";
    std::string kept;
    for (char16_t c : decoded) {
        if (c >= 0xC0 && c <= 0xFF)
            kept += kLatinLetters[c - 0xC0];
        else if (c < 0x80 && (isNameCharacter(static_cast<char>(c)) || c == '.'))
            kept.push_back(static_cast<char>(c));
    }
    return kept;
}

}  // namespace

std::string deriveIdentity(const std::string& vendor, const std::string& name) {
    std::string joined = safeParts(vendor) + "." + safeParts(name);
    std::string identity;
    for (char c : joined) {
        if (c == '.' && (identity.empty() || identity.back() == '.')) continue;
        identity.push_back(c);
    }
    identity.resize(std::min(identity.size(), kLongestIdentity));
    while (!identity.empty() && identity.back() == '.') identity.pop_back();
    return identity;
}

std::string identityProblem(const std::string& identity) {
    if (identity.size() > kLongestIdentity) return "is longer than 255 characters";
    size_t partStart = 0;
    for (size_t i = 0; i <= identity.size(); ++i) {
        if (i < identity.size() && identity[i] != '.') {
            if (!isNameCharacter(identity[i]))
                return "holds characters other than ASCII letters, digits, '-', '_' and dots";
            continue;
        }
        if (i == partStart) return "has an empty part (a dot at the start or end, or two dots)";
        partStart = i + 1;
    }
    return "";
}

}  // namespace trellane
