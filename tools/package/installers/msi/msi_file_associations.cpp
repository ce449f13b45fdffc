#include "package/installers/msi/msi_file_associations.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "brand/icon_group.h"
#include "common/refusal.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f'; }

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The logical lines: comments and blank lines dropped, continued lines joined, leading blanks
// of each piece gone.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
                               text[end + 1] == '\n'
                           ? 2
                           : 1);
        size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        line = line.substr(first);
        if (!continuing && (line.empty() || line[0] == '#' || line[0] == '!')) continue;
        size_t backslashes = 0;
        while (backslashes < line.size() && line[line.size() - 1 - backslashes] == '\\')
            ++backslashes;
        continuing = backslashes % 2 == 1;
        current += continuing ? line.substr(0, line.size() - 1) : line;
        if (!continuing) {
            lines.push_back(current);
            current.clear();
        }
    }
    if (continuing) lines.push_back(current);
    return lines;
}

bool unescape(const std::string& text, std::string& out, std::string& problem) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        switch (c) {
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                std::string hex = text.substr(i + 1, 4);
                if (hex.size() != 4 || hex.find_first_not_of("0123456789abcdefABCDEF") !=
                                           std::string::npos) {
                    problem = "\\u is not followed by four hexadecimal digits";
                    return false;
                }
                appendUtf8(out, static_cast<unsigned>(std::stoul(hex, nullptr, 16)));
                i += 4;
                break;
            }
            default: out += c;
        }
    }
    return true;
}

bool isToken(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && std::string("!#$&-^_.+").find(c) == std::string::npos)
            return false;
    return true;
}

bool isMediaType(const std::string& text) {
    size_t slash = text.find('/');
    return slash != std::string::npos && isToken(text.substr(0, slash)) &&
           isToken(text.substr(slash + 1));
}

bool isExtension(const std::string& text) {
    if (text.empty() || text.size() > 32) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '+')
            return false;
    return true;
}

FileAssociation readOne(const std::string& path, const std::string& appName) {
    std::string text, problem;
    if (!readWholeFile(path, text, problem))
        refuse("cannot read the file association %s: %s", path.c_str(), problem.c_str());
    std::vector<std::pair<std::string, std::string>> entries;
    if (!readProperties(text, entries, problem))
        refuse("the file association %s is not a properties file: %s", path.c_str(),
               problem.c_str());
    FileAssociation association;
    association.source = path;
    for (const auto& [key, value] : entries) {
        if (key == "extension")
            association.extension = value;
        else if (key == "mime-type")
            association.mimeType = value;
        else if (key == "description")
            association.description = value;
        else if (key == "icon")
            association.iconPath = value;
        else
            refuse(
                "the file association %s has the key '%s', which is none of extension, "
                "mime-type, description and icon: correct or remove it",
                path.c_str(), key.c_str());
    }
    if (association.extension.empty())
        refuse("the file association %s has no extension: add a line extension=EXT (without "
               "the dot)",
               path.c_str());
    if (!isExtension(association.extension))
        refuse(
            "the file association %s has the extension '%s': give one extension without the "
            "dot, of letters, digits, '_', '-' and '+' (extension=txt)",
            path.c_str(), association.extension.c_str());
    if (!association.mimeType.empty() && !isMediaType(association.mimeType))
        refuse("the file association %s has the mime-type '%s', which is not TYPE/SUBTYPE "
               "(text/plain): correct it or leave it out",
               path.c_str(), association.mimeType.c_str());
    if (association.description.empty()) association.description = appName + " file";
    if (!association.iconPath.empty()) {
        std::string icon;
        std::vector<IconGroupEntry> images;
        if (!readWholeFile(association.iconPath, icon, problem))
            refuse("cannot read the icon %s of the file association %s: %s",
                   association.iconPath.c_str(), path.c_str(), problem.c_str());
        if (!readIconDirectory(icon, 16, images) || images.empty())
            refuse("the icon %s of the file association %s is not an .ico file: give one "
                   "(Windows shows file types' icons from .ico files)",
                   association.iconPath.c_str(), path.c_str());
    }
    return association;
}

}  // namespace

bool readProperties(const std::string& text,
                    std::vector<std::pair<std::string, std::string>>& entries,
                    std::string& problem) {
    for (const std::string& line : logicalLines(text)) {
        size_t end = 0;
        while (end < line.size() && line[end] != '=' && line[end] != ':' && !isBlank(line[end])) {
            if (line[end] == '\\') ++end;
            ++end;
        }
        end = std::min(end, line.size());
        size_t value = end;
        while (value < line.size() && isBlank(line[value])) ++value;
        if (value < line.size() && (line[value] == '=' || line[value] == ':')) ++value;
        while (value < line.size() && isBlank(line[value])) ++value;
        std::string key, text;
        if (!unescape(line.substr(0, end), key, problem) ||
            !unescape(line.substr(value), text, problem))
            return false;
        entries.emplace_back(key, text);
    }
    return true;
}

std::vector<FileAssociation> readFileAssociations(const std::vector<std::string>& paths,
                                                  const std::string& appName) {
    std::vector<FileAssociation> associations;
    for (const std::string& path : paths) {
        FileAssociation association = readOne(path, appName);
        for (const FileAssociation& earlier : associations) {
            std::string a = earlier.extension, b = association.extension;
            for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (a == b)
                refuse("the file associations %s and %s both give the extension %s: keep one",
                       earlier.source.c_str(), path.c_str(), association.extension.c_str());
        }
        associations.push_back(association);
    }
    return associations;
}

}  // namespace trellane
