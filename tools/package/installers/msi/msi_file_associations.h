// --file-associations FILE: a file type the installed application opens, in jpackage's
// properties format (the properties file a jpackage build already has works unchanged; read by
// support/java_properties):
//
//   extension=hello          the file name extension, without the dot (required)
//   mime-type=text/x-hello   its media type (optional; checked, not written: the extension's
//                            media type is its first registrant's)
//   description=Hello notes  what Explorer calls such files (default: "NAME file")
//   icon=hello.ico           their icon, an .ico file (default: the launcher's icon)
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct FileAssociation {
    std::string extension;    // without the dot
    std::string mimeType;     // empty: none
    std::string description;
    std::string iconPath;     // an .ico file; empty: the launcher's icon
    std::string source;       // the properties file, for messages
    std::string installedIcon;  // the icon's path in the image ('/'-separated); empty: none
};

// Reads every file; refuses, naming the file and what to write instead, an unknown key, a
// missing or malformed extension or media type, an icon that is not a readable .ico, and an
// extension two files give.
std::vector<FileAssociation> readFileAssociations(const std::vector<std::string>& paths,
                                                  const std::string& appName);

}  // namespace trellane
