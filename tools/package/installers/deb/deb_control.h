// The texts a Debian package of the application carries besides its image: the control file,
// the desktop entry, the MIME types of its file associations, the changelog, the copyright
// file and lintian's notes on what an application with its own Java runtime does differently
// from the system's packages. Plain text in, plain text out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/installers/deb/deb_embedded_libraries.h"
#include "package/installers/deb/deb_names.h"

namespace trellane {

// DEBIAN/control; installedKiB as dpkg counts it, depends in order (duplicates dropped).
std::string debControl(const DebDescription& deb, uint64_t installedKiB,
                       const std::vector<std::string>& depends);

// The desktop entry (/usr/share/applications/PACKAGE.desktop): the launcher by its absolute
// path, the image's icon, the menu categories, the association's MIME types. Listed in the
// menu with --linux-shortcut; otherwise only offered for the associated files.
std::string desktopEntry(const DebDescription& deb);

// The desktop entry of an added launcher: its name, program and icon, no file types.
std::string launcherDesktopEntry(const DebDescription& deb, const DebLauncher& launcher);

// The launcher's path as one argument of a desktop entry's Exec key (quoted and escaped as
// the desktop entry format asks, the string escapes included).
std::string desktopExecPath(const std::string& path);

// shared-mime-info's declaration of the associated file types
// (/usr/share/mime/packages/PACKAGE.xml).
std::string mimeInfo(const DebDescription& deb);

// The icon name a desktop looks up for a MIME type: "application-x-hello".
std::string mimeIconName(const std::string& mimeType);

// usr/share/doc/PACKAGE/changelog.Debian (before compression), dated seconds since 1970.
std::string debChangelog(const DebDescription& deb, int64_t seconds);

// usr/share/doc/PACKAGE/copyright: the name, the copyright notice (--copyright, else the year
// and the vendor), and the license's text (--license-file) when given.
std::string debCopyright(const DebDescription& deb, int64_t seconds, const std::string& license);

// usr/share/lintian/overrides/PACKAGE; embedded names the runtime's copies of libraries that
// lintian reports, each overridden for its file alone.
std::string lintianOverrides(const DebDescription& deb,
                             const std::vector<EmbeddedLibrary>& embedded);

}  // namespace trellane
