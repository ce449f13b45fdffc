// The texts a Debian package of the application carries besides its image and its desktop
// files (installers/desktop_files): the control file, the changelog, the copyright file and
// lintian's notes on what an application with its own Java runtime does differently from the
// system's packages. Plain text in, plain text out.
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
