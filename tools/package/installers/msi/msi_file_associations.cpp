#include "package/installers/msi/msi_file_associations.h"

#include <cctype>
#include <utility>

#include "brand/icon_group.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "package/support/java_properties.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

bool isToken(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string("!#$&-^_.+").find(c) == std::string::npos)
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
    if (!readWholeFile(path, kMaxTextFileSize, text, problem))
        refuse("cannot read the file association %s: %s", path.c_str(), problem.c_str());
    std::vector<std::pair<std::string, std::string>> entries;
    if (!readJavaProperties(text, entries, problem))
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
        refuse(
            "the file association %s has no extension: add a line extension=EXT (without "
            "the dot)",
            path.c_str());
    if (!isExtension(association.extension))
        refuse(
            "the file association %s has the extension '%s': give one extension without the "
            "dot, of letters, digits, '_', '-' and '+' (extension=txt)",
            path.c_str(), association.extension.c_str());
    if (!association.mimeType.empty() && !isMediaType(association.mimeType))
        refuse(
            "the file association %s has the mime-type '%s', which is not TYPE/SUBTYPE "
            "(text/plain): correct it or leave it out",
            path.c_str(), association.mimeType.c_str());
    if (association.description.empty()) association.description = appName + " file";
    if (!association.iconPath.empty()) {
        std::string icon;
        std::vector<IconGroupEntry> images;
        if (!readWholeFile(association.iconPath, kMaxIconFileSize, icon, problem))
            refuse("cannot read the icon %s of the file association %s: %s",
                   association.iconPath.c_str(), path.c_str(), problem.c_str());
        if (!readIconDirectory(icon, 16, images) || images.empty())
            refuse(
                "the icon %s of the file association %s is not an .ico file: give one "
                "(Windows shows file types' icons from .ico files)",
                association.iconPath.c_str(), path.c_str());
    }
    return association;
}

}  // namespace

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
