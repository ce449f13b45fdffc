// What an MSI is asked to install besides the image: where, which shortcuts, which file types,
// and what Windows shows of it. jpackage's options, read by package/request/msi_options.
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct MsiRequest {
    bool perUser = false;    // --win-per-user-install: the user's own folders, no elevation
    // installDir, description, aboutUrl and fileAssociations come from the installers' shared
    // options (package/request/installer_options).
    std::string installDir;  // --install-dir: under Program Files (or LocalAppData); default NAME
    bool menu = false;       // --win-menu: a Start-menu shortcut
    std::string menuGroup;   // --win-menu-group: its folder; default the vendor, else NAME
    bool shortcut = false;   // --win-shortcut: a desktop shortcut
    std::string upgradeUuid;  // --win-upgrade-uuid; default derived from the vendor and NAME
    std::string description;  // --description: the package's comment and the shortcuts' tip
    std::string aboutUrl;     // --about-url: "Installed apps" links
    std::string helpUrl;      // --win-help-url
    std::string updateUrl;    // --win-update-url
    std::vector<std::string> fileAssociations;  // --file-associations FILE, repeatable
    std::string temp;  // --temp DIR: the image and the WiX source are built there and kept
};

}  // namespace trellane
