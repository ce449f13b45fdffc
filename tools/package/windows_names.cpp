#include "package/windows_names.h"

#include <cctype>
#include <cstring>

namespace trellane {

namespace {

const char kForbidden[] = "<>:\"/\\|?*";

bool isForbidden(unsigned char c) {
    return c < 0x20 || (c != 0 && std::strchr(kForbidden, c) != nullptr);
}

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 name devices, with any extension, in any case.
bool isDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           std::isdigit(static_cast<unsigned char>(stem[3]));
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

}  // namespace

std::string windowsNameProblem(const std::string& name) {
    if (name.empty()) return "it is empty";
    if (name == "." || name == "..") return "it names a folder itself";
    for (unsigned char c : name) {
        if (c < 0x20) return "it holds a control character";
        if (isForbidden(c))
            return std::string("it holds '") + static_cast<char>(c) +
                   "', which Windows forbids in names";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "it ends with a dot or a space, which Windows drops";
    if (isDeviceName(name)) return "Windows reserves it for a device";
    long length = utf16Length(name);
    if (length < 0) return "it is not UTF-8 text";
    if (length > 255) return "it is longer than the 255 characters Windows allows";
    return "";
}

std::string windowsSafeName(const std::string& name) {
    std::string safe;
    for (unsigned char c : name) safe += isForbidden(c) ? '_' : static_cast<char>(c);
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    if (!windowsNameProblem(safe).empty()) return "";
    return safe;
}

}  // namespace trellane
