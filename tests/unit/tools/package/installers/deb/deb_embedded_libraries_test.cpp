#include "package/installers/deb/deb_embedded_libraries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

// A library's text counts only as lintian matches it: within one run of printable text, zlib's
// notice not after "4 ", libjpeg's and libpng's at a run's start.
TEST(LibrariesCarried, FindsEachCopyByItsOwnText) {
    const std::string nul(1, '\0');
    const struct {
        std::string bytes;
        std::vector<std::string> carried;
    } cases[] = {
        {nul + " deflate 1.3.1 Copyright 1995-2024 Jean-loup Gailly " + nul, {"zlib"}},
        {"\x01\x02inflate 1.2.13 Copyright" + nul, {"zlib"}},
        {nul + "gzip 4 inflate 1.2 x" + nul, {}},
        {nul + "inflate 1" + nul + "2.13" + nul, {}},
        {nul + "Caution: quantization tables are too coarse for baseline JPEG" + nul +
             "HuaTianSongTi?" + nul + "Unsupported number of channels for VCGT",
         {"freetype", "lcms2", "libjpeg"}},
        {nul + "Note: Caution: quantization tables are too coarse for baseline JPEG" + nul, {}},
        {"gamma value does not match libpng estimate" + nul +
             "cmsCreateTransform: intent "
             "mismatch",
         {"lcms", "libpng"}},
        {"\x7f"
         "ELF" +
             nul + "nothing to see" + nul,
         {}},
    };
    for (const auto& c : cases) EXPECT_EQ(librariesCarried(c.bytes), c.carried) << c.bytes;
}

}  // namespace
}  // namespace trellane
