#include "brand/display_name.h"

#include <cctype>
#include <cstdio>

#include "brand/utf16_text.h"

namespace trellane {

namespace {

constexpr size_t kLongestFileName = 255;  // UTF-16 units in one path component

bool isDeviceName(const std::u16string& base) {
    std::string upper;
    for (char16_t c : base) {
        if (c >= 0x80) {
            // COM and LPT with a superscript digit are device names too.
            if (c != u'\u00B9' && c != u'\u00B2' && c != u'\u00B3') return false;
            upper.push_back('1');
            continue;
        }
        upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    bool numbered =
        upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0);
    return numbered && upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

std::string fileNameProblem(const std::string& name) {
    std::u16string text;
    if (!decodeUtf8(name, text)) return "is not valid UTF-8";
    if (text.empty()) return "is empty";
    for (char16_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            char code[32];
            std::snprintf(code, sizeof code, "a control character (U+%04X)", unsigned(c));
            return std::string("holds ") + code;
        }
        if (c < 0x80 && std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos)
            return std::string("holds '") + static_cast<char>(c) + "'";
    }
    if (text.back() == u'.' || text.back() == u' ') return "ends in a dot or a space";
    if (isDeviceName(text.substr(0, text.find(u'.')))) return "is a Windows device name";
    if (text.size() + 4 > kLongestFileName) return "is longer than 251 characters (UTF-16 units)";
    return "";
}

}  // namespace trellane
