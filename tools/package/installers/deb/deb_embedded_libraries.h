// A Java runtime's native libraries may carry their own copies of libraries Debian packages on
// their own: a vendor's runtime (Temurin's, say) builds zlib into libzip.so and libjli.so,
// freetype, lcms2 and libjpeg into the java.desktop libraries, where Debian's own runtime links
// the system's. lintian counts each copy as an error. The copies are found as lintian finds
// them, by a text each library carries, so that the package's overrides name exactly the files
// and libraries it reports, and no more.
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct EmbeddedLibrary {
    std::string file;     // relative to the package's root: "opt/hello/lib/libzip.so"
    std::string library;  // lintian's name for it: "zlib", "freetype", "lcms2", "libjpeg"
};

// The libraries that the file's bytes carry copies of, by the texts each copy holds.
std::vector<std::string> librariesCarried(const std::string& bytes);

// Every copy in the ELF files under root/folder (folder relative to root, no leading '/').
std::vector<EmbeddedLibrary> findEmbeddedLibraries(const std::string& root,
                                                   const std::string& folder);

}  // namespace trellane
