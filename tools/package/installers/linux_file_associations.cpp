#include "package/installers/linux_file_associations.h"

#include <cctype>
#include <set>
#include <utility>
#include <vector>

#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/text_split.h"
#include "package/support/file_tree.h"
#include "package/support/java_properties.h"

namespace trellane {

namespace {

// A value's trailing blanks, which Java keeps, mean nothing in a file type, a MIME type or a
// path: they go, as a hand-written file's stray space should not refuse the package.
std::string withoutTrailingBlanks(const std::string& text) {
    size_t end = text.find_last_not_of(" \t\f");
    return end == std::string::npos ? "" : text.substr(0, end + 1);
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

}  // namespace

LinuxFileAssociation readLinuxFileAssociation(const std::string& path, const std::string& text,
                                              std::string& problem) {
    LinuxFileAssociation association;
    association.source = path;
    problem.clear();
    std::vector<std::pair<std::string, std::string>> properties;
    if (!readJavaProperties(text, properties, problem)) {
        problem = path + " is not a properties file: " + problem;
        return association;
    }
    for (const auto& [key, given] : properties) {
        std::string value = withoutTrailingBlanks(given);
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
                problem = path +
                          ": the description holds a control character (a line end or a tab, "
                          "perhaps written \\n or \\t), which a file type's comment cannot "
                          "show: give it on one line";
                break;
            }
    }
    return association;
}

std::vector<LinuxFileAssociation> readLinuxFileAssociations(const std::vector<std::string>& files) {
    std::vector<LinuxFileAssociation> associations;
    std::set<std::string> mimeTypes, extensions;
    for (const std::string& file : files) {
        std::string text, problem;
        if (!readWholeFile(file, kMaxTextFileSize, text, problem))
            refuse("cannot read --file-associations %s: %s; give a properties file", file.c_str(),
                   problem.c_str());
        LinuxFileAssociation association = readLinuxFileAssociation(file, text, problem);
        if (!problem.empty()) refuse("--file-associations %s", problem.c_str());
        // Checked before anything is built: the icon is read only as the package is written.
        if (!association.iconPath.empty() &&
            !checkRegularFile(association.iconPath, kMaxIconFileSize, problem))
            refuse("cannot read the icon %s of --file-associations %s: %s; give a PNG file",
                   association.iconPath.c_str(), file.c_str(), problem.c_str());
        if (!mimeTypes.insert(association.mimeType).second)
            refuse(
                "--file-associations %s: the mime-type %s is given twice; give each file "
                "type once",
                file.c_str(), association.mimeType.c_str());
        for (const std::string& extension : association.extensions)
            if (!extensions.insert(extension).second)
                refuse(
                    "--file-associations %s: the extension %s is given twice; give each "
                    "extension once",
                    file.c_str(), extension.c_str());
        associations.push_back(association);
    }
    return associations;
}

}  // namespace trellane
