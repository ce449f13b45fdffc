#include "hosting/jar_manifest.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(MainAttribute, ReadsTheMainSectionAsTheJarSpecificationWritesIt) {
    const struct {
        const char* manifest;
        const char* value;
    } cases[] = {
        {"Manifest-Version: 1.0\r\nSplashScreen-Image: images/splash.png\r\n\r\n",
         "images/splash.png"},
        {"Manifest-Version: 1.0\nsplashscreen-image: s.gif\n", "s.gif"},
        {"Manifest-Version: 1.0\rSPLASHSCREEN-IMAGE: s.gif", "s.gif"},
        // The jar tool wraps lines at 72 bytes; a continuation starts with one space.
        {"Manifest-Version: 1.0\r\nSplashScreen-Image: images/a/very/long/path/to/the/spl\r\n"
         " ash/screen/image.png\r\nMain-Class: app.Main\r\n",
         "images/a/very/long/path/to/the/splash/screen/image.png"},
        {"SplashScreen-Image: first.png\r\nSplashScreen-Image: second.png\r\n", "first.png"},
        // Only the main section counts: an entry's section names a file's attributes.
        {"Manifest-Version: 1.0\r\n\r\nName: x\r\nSplashScreen-Image: s.png\r\n", ""},
        {"Manifest-Version: 1.0\r\nSplashScreen-Images: s.png\r\n", ""},
        {"Manifest-Version: 1.0\r\nSplashScreen-Image:s.png\r\n", ""},
        {"SplashScreen-Image: \r\n", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mainAttribute(c.manifest, "SplashScreen-Image"), c.value) << c.manifest;
}

}  // namespace
}  // namespace trellane
