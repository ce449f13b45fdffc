#include "package/support/java_properties.h"

#include <algorithm>

namespace trellane {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\f';
}

bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The logical lines as Java's line reader makes them: blank and comment lines dropped, the
// backslash that continues a line and the next line's leading blanks gone. An empty line after
// a continued one ends it; a backslash continuing the file's last line is dropped.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool skipBlanks = true;  // at the start of a natural line
    bool continued = false;  // that line continues a logical line
    bool backslash = false;  // an odd run of backslashes ends what was read
    size_t at = 0;
    while (at < text.size()) {
        char c = text[at++];
        if (skipBlanks) {
            if (isBlank(c) || (!continued && isLineEnd(c))) continue;
            skipBlanks = false;
            continued = false;
        }
        if (line.empty() && (c == '#' || c == '!')) {
            while (at < text.size() && !isLineEnd(text[at])) ++at;
            skipBlanks = true;
            continue;
        }
        if (!isLineEnd(c)) {
            line += c;
            backslash = c == '\\' && !backslash;
            continue;
        }
        if (line.empty()) {
            skipBlanks = true;
            continue;
        }
        if (backslash) {
            line.pop_back();
            backslash = false;
            skipBlanks = continued = true;
            if (c == '\r' && at < text.size() && text[at] == '\n') ++at;
            continue;
        }
        lines.push_back(line);
        line.clear();
        skipBlanks = true;
    }
    if (!line.empty()) {
        if (backslash) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool hexValue(const std::string& text, size_t at, unsigned& value) {
    if (at + 4 > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + digit;
    }
    return true;
}

// Java keeps \uXXXX as one UTF-16 unit, so a character beyond U+FFFF is two escapes, a
// surrogate pair, which together are one character in UTF-8.
bool unescape(const std::string& text, std::string& out, std::string& problem) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c != 'u') {
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c == 'f' ? '\f' : c;
            continue;
        }
        unsigned unit;
        if (!hexValue(text, i + 1, unit)) {
            problem = "\\u is not followed by four hexadecimal digits";
            return false;
        }
        i += 4;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            problem = "\\u" + text.substr(i - 3, 4) +
                      " is the second half of a surrogate pair without its first: give the "
                      "character's pair of escapes in order, or the character itself";
            return false;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low;
            if (i + 2 >= text.size() || text[i + 1] != '\\' || text[i + 2] != 'u' ||
                !hexValue(text, i + 3, low) || low < 0xDC00 || low > 0xDFFF) {
                problem = "\\u" + text.substr(i - 3, 4) +
                          " is the first half of a surrogate pair without its second: give "
                          "the character's pair of escapes, or the character itself";
                return false;
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
        }
        appendUtf8(out, unit);
    }
    return true;
}

}  // namespace

bool readJavaProperties(const std::string& text,
                        std::vector<std::pair<std::string, std::string>>& entries,
                        std::string& problem) {
    entries.clear();
    for (const std::string& line : logicalLines(text)) {
        // The key ends at the first '=', ':' or blank no backslash escapes.
        size_t end = 0;
        bool escaped = false;
        while (end < line.size()) {
            char c = line[end];
            if (!escaped && (c == '=' || c == ':' || isBlank(c))) break;
            escaped = c == '\\' && !escaped;
            ++end;
        }
        // Then blanks with at most one '=' or ':' among them.
        size_t value = end;
        bool separator = false;
        while (value < line.size()) {
            char c = line[value];
            if (c == '=' || c == ':') {
                if (separator) break;
                separator = true;
            } else if (!isBlank(c)) {
                break;
            }
            ++value;
        }
        std::string key, text;
        if (!unescape(line.substr(0, end), key, problem) ||
            !unescape(line.substr(value), text, problem))
            return false;
        auto earlier = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& entry) { return entry.first == key; });
        if (earlier == entries.end())
            entries.emplace_back(key, text);
        else
            earlier->second = text;
    }
    return true;
}

}  // namespace trellane
