// The WiX source of an MSI, written for wixl: what it installs, where, and what Windows
// records of it. wixl drops without a word any attribute it does not know, so the source holds
// only elements and attributes it turns into tables (each checked in the tables msiinfo reads
// back), and the command treats any warning of wixl's as a failure.
//
// What it installs:
// - every file and folder of the image (but the image's marker) under INSTALLDIR: Program
//   Files\INSTALL-DIR for all users, LocalAppData\INSTALL-DIR for one; each file is a
//   64-bit component of its own, keyed by the file, with a GUID derived from the installed
//   path;
// - each folder it creates, INSTALL-DIR's levels, the Start-menu group included, removed on
//   uninstall (wixl removes a component's own folder only, so each folder has one);
// - the shortcuts and the file types' registry values in the user's or the machine's hive;
// - the product icon (the launcher's) and the "Installed apps" links.
#pragma once

#include <string>
#include <vector>

#include "package/installers/msi/msi_file_associations.h"
#include "package/installers/msi/msi_version.h"
#include "package/support/file_tree.h"

namespace trellane {

// A launcher's shortcuts: in the Start-menu group, on the desktop.
struct MsiShortcut {
    std::string name;
    std::string launcher;  // "bin/NAME.exe"
    std::string description;
    bool menu = false;
    bool desktop = false;
};

struct MsiSource {
    std::string name;    // the product's name: the shortcuts', the Start-menu default
    std::string vendor;  // Manufacturer: "Installed apps" calls it the publisher
    MsiVersion version;
    std::string upgradeCode;
    std::string productCode;
    bool perUser = false;
    std::vector<std::string> installDir;  // the levels under Program Files or LocalAppData
    std::string image;                    // the image's folder, relative to the source's
    std::vector<TreeEntry> entries;       // what it holds, listTree's order
    std::string launcher;                 // the launcher's path in the image: "bin/NAME.exe"
    std::string productIcon;              // an .ico file, relative to the source's folder
    bool menu = false;
    std::string menuGroup;
    bool desktop = false;
    std::string description;
    std::string aboutUrl;
    std::string helpUrl;
    std::string updateUrl;
    std::vector<FileAssociation> associations;
    // Every launcher's shortcuts, the main launcher's first; empty: the main launcher's alone,
    // as name, launcher, description, menu and desktop say.
    std::vector<MsiShortcut> shortcuts;
};

// The preprocessor variable the source writes every '$' as: wixl is run with -D dollar=$.
constexpr char kWixlDollarVariable[] = "dollar";

// Text as an attribute's value in the source: what wixl reads back as text itself.
std::string wixAttributeText(const std::string& text);

// Text for a column Windows Installer formats, where [NAME] stands for a property: what it
// shows as text itself.
std::string formattedLiteral(const std::string& text);

// The source, UTF-8 XML.
std::string writeWixSource(const MsiSource& source);

// The ProgId a file type is registered under: the name's letters and digits, a dot, the
// extension ("HelloApp.hello"), at most 39 characters, starting with a letter.
std::string progIdOf(const std::string& name, const std::string& extension);

}  // namespace trellane
