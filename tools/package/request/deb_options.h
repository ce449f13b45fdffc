// The options of a Debian package (--type deb), under jpackage's names and meanings. Read as
// given; deb_names checks each value once the application's name is known.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace trellane {

struct DebOptions {
    std::string packageName;  // --linux-package-name; empty: --name in lower case
    std::string maintainer;   // --linux-deb-maintainer: the maintainer's e-mail address
    std::string menuGroup;    // --linux-menu-group: the desktop entry's Categories
    std::string category;     // --linux-app-category: the package's Section
    std::string release;      // --linux-app-release: the Debian revision
    std::vector<std::string> packageDeps;  // --linux-package-deps, added to Depends
    bool shortcut = false;                 // --linux-shortcut: a desktop entry
    // From the installers' shared options (package/request/installer_options):
    std::string installDir;                // --install-dir: the image goes to INSTALL_DIR/PACKAGE
    std::string description;               // --description
    std::string aboutUrl;                  // --about-url: the Homepage
    std::string licenseFile;               // --license-file: the copyright file's text
    std::vector<std::string> fileAssociations;  // --file-associations FILE (repeatable)
};

void addDebOptions(CLI::App& command, DebOptions& options, const char* group);

// After parsing: without --type deb, an option of this group has nothing to go into, so it is
// refused, saying so.
void refuseDebOptionsWithoutDeb(const CLI::App& command);

}  // namespace trellane
