// The options a Linux package takes whichever its format (--type deb, --type rpm), under
// jpackage's names and meanings. Read as given; each installer checks each value against what
// its own tools accept once the application's name is known.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace trellane {

struct LinuxPackageOptions {
    std::string packageName;  // --linux-package-name; empty: --name in lower case
    std::string menuGroup;    // --linux-menu-group: the desktop entry's Categories
    std::string category;     // --linux-app-category: a .deb's Section, an .rpm's Group
    std::string release;      // --linux-app-release: the Debian revision, the RPM release
    std::vector<std::string> packageDeps;  // --linux-package-deps, added to the dependencies
    bool shortcut = false;                 // --linux-shortcut: a desktop entry
    // From the installers' shared options (package/request/installer_options):
    std::string installDir;   // --install-dir: the image goes to INSTALL_DIR/PACKAGE
    std::string description;  // --description
    std::string aboutUrl;     // --about-url: the Homepage (.deb), the URL (.rpm)
    std::string licenseFile;  // --license-file: the license's text
    std::vector<std::string> fileAssociations;  // --file-associations FILE (repeatable)
};

void addLinuxPackageOptions(CLI::App& command, LinuxPackageOptions& options, const char* group);

// After parsing: without --type deb or rpm, an option of this group has nothing to go into, so
// it is refused, saying so.
void refuseLinuxPackageOptionsWithoutPackage(const CLI::App& command);

}  // namespace trellane
