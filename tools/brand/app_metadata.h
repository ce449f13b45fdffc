// What a packager says of a Windows application, for the launcher's manifest, version
// information, icons and subsystem. An empty field leaves what the launcher carries.
#pragma once

#include <string>

namespace trellane {

struct AppMetadata {
    std::string name;       // display name; the file name in the version strings is NAME.exe
    std::string version;    // one to four dotted numbers, padded to four
    std::string vendor;
    std::string copyright;
    std::string iconPath;   // a square PNG, or an .ico holding 16 to 256 pixels
    std::string identity;   // the manifest's assembly identity name; derived when empty
    bool guiSubsystem = false;  // keep the GUI subsystem for a console application
};

}  // namespace trellane
