#include "package/installers/msi/msi_limits.h"

#include <cstdio>
#include <map>

#include "common/refusal.h"

namespace trellane {

namespace {

// The characters Windows-1252 puts at 0x80 to 0x9F; the rest of it is U+0000 to U+007F and
// U+00A0 to U+00FF.
constexpr char32_t kUpperHalfExtras[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                         0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                         0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};

bool inWindows1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return true;
    for (char32_t extra : kUpperHalfExtras)
        if (c == extra) return true;
    return false;
}

// The character at text[at] and its length in bytes; length 0 when the bytes there are not
// UTF-8 (a stray, overlong or surrogate sequence, or one past U+10FFFF).
char32_t decode(const std::string& text, size_t at, size_t& length) {
    unsigned char first = static_cast<unsigned char>(text[at]);
    length = 0;
    if (first < 0x80) {
        length = 1;
        return first;
    }
    size_t count = first >= 0xF0 && first <= 0xF4   ? 4
                   : first >= 0xE0 && first <= 0xEF ? 3
                   : first >= 0xC2 && first <= 0xDF ? 2
                                                    : 0;
    if (count == 0 || at + count > text.size()) return 0;
    char32_t c = first & (0xFF >> (count + 1));
    for (size_t i = 1; i < count; ++i) {
        unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[count] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    length = count;
    return c;
}

// Windows' upper case of a Windows-1252 character; others as they are.
char32_t upper(char32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    switch (c) {
        case 0x0161:
            return 0x0160;  // š
        case 0x0153:
            return 0x0152;  // œ
        case 0x017E:
            return 0x017D;  // ž
        case 0x00FF:
            return 0x0178;  // ÿ
        default:
            return c;
    }
}

std::string encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string withThousands(uint64_t number) {
    std::string digits = std::to_string(number), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

const char kWhyWindows1252[] =
    "is outside Windows-1252, the only character set wixl writes an MSI's names and texts in";

}  // namespace

std::string outsideWindows1252(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        size_t length = 0;
        char32_t c = decode(text, at, length);
        char shown[64];
        if (length == 0) {
            std::snprintf(shown, sizeof shown, "byte 0x%02X (not UTF-8)",
                          static_cast<unsigned char>(text[at]));
            return shown;
        }
        if (!inWindows1252(c)) {
            // Control characters and the C1 range are shown by their code alone.
            std::snprintf(shown, sizeof shown, "U+%04X", static_cast<unsigned>(c));
            return c < 0xA0 ? shown : "'" + encode(c) + "' (" + shown + ")";
        }
        at += length;
    }
    return "";
}

void checkMsiText(const std::string& what, const std::string& text) {
    std::string character = outsideWindows1252(text);
    if (!character.empty())
        refuse("%s '%s': the character %s %s; give a value without it", what.c_str(), text.c_str(),
               character.c_str(), kWhyWindows1252);
}

std::string windowsCaseKey(const std::string& path) {
    std::string key;
    for (size_t at = 0; at < path.size();) {
        size_t length = 0;
        char32_t c = decode(path, at, length);
        if (length == 0) {
            key += path[at++];
            continue;
        }
        key += encode(upper(c));
        at += length;
    }
    return key;
}

void checkMsiPayload(const std::vector<MsiPayloadEntry>& entries, const std::string& where) {
    size_t files = 0;
    uint64_t bytes = 0;
    std::map<std::string, const MsiPayloadEntry*> byKey;
    for (const MsiPayloadEntry& entry : entries) {
        std::string character = outsideWindows1252(entry.path);
        if (!character.empty())
            refuse("%s%s: the character %s in its name %s; rename it", where.c_str(),
                   entry.path.c_str(), character.c_str(), kWhyWindows1252);
        auto [found, added] = byKey.emplace(windowsCaseKey(entry.path), &entry);
        if (!added)
            refuse(
                "%s%s and %s%s differ only in case, and Windows, whose file names ignore case, "
                "would install only one of them: rename one",
                where.c_str(), found->second->path.c_str(), where.c_str(), entry.path.c_str());
        if (entry.folder) continue;
        ++files;
        bytes += entry.size;
        if (entry.size > kMsiCabinetBytes)
            refuse(
                "%s%s has %s bytes: an MSI holds files of at most %s bytes (what one cabinet "
                "holds; Windows Installer records sizes as signed 32-bit numbers): leave it "
                "out of --input and have the application fetch it, or ship --type app-image",
                where.c_str(), entry.path.c_str(), withThousands(entry.size).c_str(),
                withThousands(kMsiCabinetBytes).c_str());
    }
    if (bytes > kMsiCabinetBytes)
        refuse(
            "the MSI would hold %s bytes of files: wixl puts them all into one cabinet, which "
            "holds at most %s bytes: leave the largest out of --input and have the "
            "application fetch them, or ship --type app-image",
            withThousands(bytes).c_str(), withThousands(kMsiCabinetBytes).c_str());
    if (files > kMsiMostFiles)
        refuse(
            "the MSI would hold %s files: an MSI built here holds at most %s (wixl's time "
            "grows with the square of the number of files: 15,000 take half a minute of "
            "processor time, 100,000 most of an hour; a cabinet holds at most %s): put the "
            "application's many small files into jars "
            "or archives, or ship --type app-image",
            withThousands(files).c_str(), withThousands(kMsiMostFiles).c_str(),
            withThousands(kMsiCabinetFiles).c_str());
}

}  // namespace trellane
