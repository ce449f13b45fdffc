#include "package/installers/deb/deb_file_associations.h"

#include <cctype>
#include <map>

#include "common/text_split.h"

namespace trellane {

namespace {

std::string trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\f");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\f\r") + 1 - begin);
}

// A name made of the letters, digits and marks a MIME type's parts allow.
bool isMimeToken(const std::string& text) {
    if (text.empty() || text.size() > 127) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string("!#$&^_.+-").find(c) == std::string::npos)
            return false;
    return true;
}

bool isExtension(const std::string& text) {
    if (text.empty() || text.size() > 64) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '+' &&
            c != '.')
            return false;
    return text.front() != '.';
}

std::map<std::string, std::string> readProperties(const std::string& text) {
    std::map<std::string, std::string> properties;
    std::string logical;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string piece = trimmed(line);
        if (logical.empty() && (piece.empty() || piece[0] == '#' || piece[0] == '!')) continue;
        if (!piece.empty() && piece.back() == '\\') {
            logical += piece.substr(0, piece.size() - 1);
            continue;
        }
        logical += piece;
        size_t split = logical.find_first_of("=:");
        std::string key = trimmed(logical.substr(0, split));
        std::string value = split == std::string::npos ? "" : trimmed(logical.substr(split + 1));
        properties[key] = value;
        logical.clear();
    }
    if (!logical.empty()) {
        size_t split = logical.find_first_of("=:");
        properties[trimmed(logical.substr(0, split))] =
            split == std::string::npos ? "" : trimmed(logical.substr(split + 1));
    }
    return properties;
}

}  // namespace

DebFileAssociation readDebFileAssociation(const std::string& path, const std::string& text,
                                          std::string& problem) {
    DebFileAssociation association;
    association.source = path;
    problem.clear();
    std::map<std::string, std::string> properties = readProperties(text);
    for (const auto& [key, value] : properties) {
        if (key == "extension") {
            association.extensions = splitWords(value, " \t,");
        } else if (key == "mime-type") {
            association.mimeType = value;
        } else if (key == "description") {
            association.description = value;
        } else if (key == "icon") {
            association.iconPath = value;
        } else {
            problem = path + " has the key \"" + key +
                      "\", which is none of extension, mime-type, description and icon";
            return association;
        }
    }
    if (association.extensions.empty()) {
        problem = path + " gives no extension: add a line extension=EXT";
        return association;
    }
    for (const std::string& extension : association.extensions)
        if (!isExtension(extension)) {
            problem = path + ": the extension \"" + extension +
                      "\" is not one a file name can end in (letters, digits, '_', '-', '+', "
                      "'.'; no leading dot)";
            return association;
        }
    size_t slash = association.mimeType.find('/');
    if (association.mimeType.empty()) {
        problem = path +
                  " gives no mime-type, which a Linux desktop needs to know the file type: add "
                  "a line mime-type=application/x-NAME";
    } else if (slash == std::string::npos || !isMimeToken(association.mimeType.substr(0, slash)) ||
               !isMimeToken(association.mimeType.substr(slash + 1))) {
        problem = path + ": the mime-type \"" + association.mimeType +
                  "\" is not a MIME type (TYPE/SUBTYPE, for example application/x-hello)";
    } else {
        for (char c : association.description)
            if (static_cast<unsigned char>(c) < 0x20) {
                problem = path + ": the description holds a control character";
                break;
            }
    }
    return association;
}

}  // namespace trellane
