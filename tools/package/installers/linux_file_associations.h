// --file-associations FILE: jpackage's properties file for one file type ("extension",
// "mime-type", "description", "icon"), which a Linux package (.deb, .rpm) declares as a MIME
// type of its own and lists in its desktop entry (installers/desktop_files).
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct LinuxFileAssociation {
    std::vector<std::string> extensions;  // without the dot; the value may list several
    std::string mimeType;                 // "application/x-hello"
    std::string description;              // empty: none
    std::string iconPath;                 // a PNG; empty: none
    std::string source;                   // the file it came from, for messages
};

// Reads one file as Java reads properties (support/java_properties). Empty problem when it
// can be used; otherwise what is wrong, naming the file.
LinuxFileAssociation readLinuxFileAssociation(const std::string& path, const std::string& text,
                                              std::string& problem);

// Reads every --file-associations file; refuses, saying which, one that cannot be read or
// used, and a MIME type or an extension given twice.
std::vector<LinuxFileAssociation> readLinuxFileAssociations(const std::vector<std::string>& files);

}  // namespace trellane
