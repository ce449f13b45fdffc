// The recipe rpmbuild packs the application's tree by. The tree is complete before
// rpmbuild starts: the recipe runs no build step and no shell at all (nothing of its path or
// the application's names reaches a shell script), takes the dependencies rpmbuild's own
// finder reads from the ELF files, less the image's own libraries, and lists only the
// package's own files and folders. Plain text in, plain text out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/installers/rpm/rpm_names.h"

namespace trellane {

struct RpmContents {
    // Installed paths besides the image (absolute): the desktop files, the license.
    std::vector<std::string> files;
    std::string licenseFile;  // the installed license, also in files; empty: none
    // The file names of the image's shared libraries: what the image provides itself.
    std::vector<std::string> imageLibraries;
    std::string payload;  // rpmbuild's _binary_payload: "w9T.zstdio"
};

// The recipe; seconds dates the changelog entry.
std::string rpmRecipe(const RpmDescription& rpm, const RpmContents& contents, int64_t seconds);

// The post-install script (rpm's own Lua) that points each desktop entry at its launcher and
// icon where a relocated install (rpm --relocate, --prefix) put them; empty without an entry.
std::string relocationScript(const RpmDescription& rpm);

}  // namespace trellane
