#include "common/windows_names.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace trellane {

namespace {

const char kForbidden[] = "<>:\"/\\|?*";
constexpr long kLongestName = 255;  // UTF-16 units in one path component

bool isForbidden(unsigned char c) {
    return c < 0x20 || c == 0x7F || (c != 0 && std::strchr(kForbidden, c) != nullptr);
}

// UTF-16 code units of UTF-8 text (Windows counts a name's length in them); -1 when the text
// is not UTF-8.
long utf16Length(const std::string& text) {
    long units = 0;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80           ? 1
                        : (c >> 5) == 0x6  ? 2
                        : (c >> 4) == 0xE  ? 3
                        : (c >> 3) == 0x1E ? 4
                                           : 0;
        if (length == 0 || i + length > text.size()) return -1;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return -1;
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (also with a superscript 1, 2 or 3) name devices,
// with any extension, in any case, with spaces before the dot.
bool isDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (const char* superscript : {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
        if (stem.size() == 5 && stem.compare(3, 2, superscript) == 0) stem.replace(3, 2, "1");
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string windowsNameProblem(const std::string& name) {
    long length = utf16Length(name);
    if (length < 0) return "is not valid UTF-8";
    if (name.empty()) return "is empty";
    if (name == "." || name == "..") return "names a folder itself";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char code[64];
            std::snprintf(code, sizeof code, "holds a control character (U+%04X)", unsigned(c));
            return code;
        }
        if (isForbidden(c))
            return std::string("holds '") + static_cast<char>(c) +
                   "', which Windows forbids in names";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "ends in a dot or a space, which Windows drops";
    if (isDeviceName(name)) return "is a Windows device name";
    if (length > kLongestName)
        return "is longer than the 255 characters (UTF-16 units) Windows allows";
    return "";
}

std::string windowsProgramNameProblem(const std::string& name) {
    std::string problem = windowsNameProblem(name);
    if (problem.empty() && !(problem = windowsNameProblem(name + ".exe")).empty())
        problem = "with \".exe\" " + problem;
    return problem;
}

std::string windowsSafeName(const std::string& name) {
    std::string safe;
    for (unsigned char c : name) safe += isForbidden(c) ? '_' : static_cast<char>(c);
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    if (!windowsNameProblem(safe).empty()) return "";
    return safe;
}

}  // namespace trellane
