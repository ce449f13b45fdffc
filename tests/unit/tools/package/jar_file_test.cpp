#include "package/jar_file.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(ManifestAttribute, ReadsTheMainSectionWithContinuationLines) {
    const std::string manifest =
        "Manifest-Version: 1.0\r\n"
        "main-class: com.example.Main\r\n"
        "Class-Path: lib/a.jar lib/b.jar lib/a-very-long-name-that-does-not-fit-on-one-li\r\n"
        " ne.jar lib/c.jar\r\n"
        "\r\n"
        "Name: com/example/\r\n"
        "Main-Class: not.This\r\n";
    EXPECT_EQ(manifestAttribute(manifest, "Main-Class"), "com.example.Main");
    EXPECT_EQ(
        manifestAttribute(manifest, "Class-Path"),
        "lib/a.jar lib/b.jar lib/a-very-long-name-that-does-not-fit-on-one-line.jar lib/c.jar");
    EXPECT_EQ(manifestAttribute(manifest, "Name"), "");
    EXPECT_EQ(manifestAttribute("", "Main-Class"), "");
    // Lines may end in LF or CR alone too.
    EXPECT_EQ(manifestAttribute("Main-Class: a\nClass-Path: b\n c\n\nMain-Class: x", "Class-Path"),
              "bc");
    EXPECT_EQ(manifestAttribute("X: 1\rMain-Class: a\r\rMain-Class: x", "Main-Class"), "a");
    EXPECT_EQ(manifestAttribute("\r\nMain-Class: a", "Main-Class"), "");
}

TEST(JarHoldsClass, FindsTheClassEntryInTheRootOrAVersion) {
    JarFile jar;
    jar.entries = {"META-INF/MANIFEST.MF", "com/example/Main.class",
                   "META-INF/versions/11/org/x/Only11.class", "Main.class.txt"};
    EXPECT_TRUE(jarHoldsClass(jar, "com.example.Main"));
    EXPECT_TRUE(jarHoldsClass(jar, "org.x.Only11"));
    EXPECT_FALSE(jarHoldsClass(jar, "com.example.Other"));
    EXPECT_FALSE(jarHoldsClass(jar, "Main"));
    EXPECT_FALSE(jarHoldsClass(jar, "example.Main"));
}

}  // namespace
}  // namespace trellane
