// What a Linux package (.deb, .rpm) installs for the desktop besides its image: the desktop
// entry, shared-mime-info's declaration of its file types, and their icons. Plain text in,
// plain text out; writeDesktopFiles puts them into a package's tree.
#pragma once

#include <string>
#include <vector>

#include "package/installers/linux_file_associations.h"

namespace trellane {

struct ImageLauncher;

// An added launcher's desktop entry, beside the main launcher's: written only when it is listed
// in the menu, as it is no file type's program.
struct LinuxLauncher {
    std::string name;         // in bin/, and the entry's Name
    std::string description;  // the entry's Comment; empty: the package's
    bool shortcut = false;    // listed in the menu
    bool icon = false;        // the image has lib/NAME.png
};

struct LinuxDesktop {
    std::string package;     // the files' names: PACKAGE.desktop, PACKAGE.xml
    std::string appName;     // --name: the entry's Name, the launcher's and the icon's names
    std::string comment;     // the entry's Comment
    std::string imagePath;   // where the image is installed: "/opt/hello"
    bool icon = false;       // the image has lib/NAME.png (--icon)
    std::string categories;  // "Utility;"
    bool shortcut = false;   // listed in the menu
    std::vector<LinuxFileAssociation> associations;
    std::vector<LinuxLauncher> launchers;  // the image's added launchers

    // With --linux-shortcut, or to offer the application for its files.
    bool hasEntry() const { return shortcut || !associations.empty(); }
};

// The desktop entry (/usr/share/applications/PACKAGE.desktop): the launcher by its absolute
// path, the image's icon, the menu categories, the association's MIME types. Listed in the
// menu with --linux-shortcut; otherwise only offered for the associated files.
std::string desktopEntry(const LinuxDesktop& desktop);

// The image's added launchers (--add-launcher), each listed in the menu as its properties say,
// else as the main launcher is (shortcut).
std::vector<LinuxLauncher> addedLinuxLaunchers(const std::vector<ImageLauncher>& launchers,
                                               bool shortcut);

// Where an added launcher's desktop entry is installed, relative to "/":
// "usr/share/applications/PACKAGE-NAME.desktop".
std::string launcherEntryPath(const LinuxDesktop& desktop, const LinuxLauncher& launcher);

// The desktop entry of an added launcher: its name, program and icon, no file types.
std::string launcherDesktopEntry(const LinuxDesktop& desktop, const LinuxLauncher& launcher);

// A desktop entry's string value: backslashes doubled (every value is one line).
std::string desktopString(const std::string& text);

// The launcher's path as one argument of a desktop entry's Exec key (quoted and escaped as
// the desktop entry format asks, the string escapes included).
std::string desktopExecPath(const std::string& path);

// shared-mime-info's declaration of the associated file types
// (/usr/share/mime/packages/PACKAGE.xml).
std::string mimeInfo(const std::vector<LinuxFileAssociation>& associations);

// The icon name a desktop looks up for a MIME type: "application-x-hello".
std::string mimeIconName(const std::string& mimeType);

// Writes the desktop entry (when the package has one), the added launchers' listed in the menu,
// the MIME types and their icons into a
// package's tree at root (the installed system's "/"). Returns the files written, relative to
// root, in the order written.
std::vector<std::string> writeDesktopFiles(const std::string& root, const LinuxDesktop& desktop);

}  // namespace trellane
