#include "package/inputs/jar_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>

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

void putLittle(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A jar of one deflated entry whose central directory declares, in a zip64 field, that it
// inflates to `declared` bytes: what a damaged or hostile jar holds, which no zip writer makes.
std::string jarDeclaring(const std::string& name, const std::string& content, uint64_t declared) {
    std::string packed(compressBound(content.size()) + 16, '\0');
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(&packed[0]);
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(content.data()), content.size());
    std::string local, central, extra, end;
    for (auto [value, bytes] : {std::pair<uint64_t, int>{0x04034B50, 4},
                                {20, 2},
                                {0, 2},
                                {8, 2},
                                {0, 4},
                                {crc, 4},
                                {packed.size(), 4},
                                {content.size(), 4},
                                {name.size(), 2},
                                {0, 2}})
        putLittle(local, value, bytes);
    local += name + packed;
    for (auto [value, bytes] : {std::pair<uint64_t, int>{1, 2}, {8, 2}, {declared, 8}})
        putLittle(extra, value, bytes);
    for (auto [value, bytes] : {std::pair<uint64_t, int>{0x02014B50, 4},
                                {45, 2},
                                {20, 2},
                                {0, 2},
                                {8, 2},
                                {0, 4},
                                {crc, 4},
                                {packed.size(), 4},
                                {0xFFFFFFFF, 4},
                                {name.size(), 2},
                                {extra.size(), 2},
                                {0, 2},
                                {0, 2},
                                {0, 2},
                                {0, 4},
                                {0, 4}})
        putLittle(central, value, bytes);
    central += name + extra;
    for (auto [value, bytes] : {std::pair<uint64_t, int>{0x06054B50, 4},
                                {0, 2},
                                {0, 2},
                                {1, 2},
                                {1, 2},
                                {central.size(), 4},
                                {local.size(), 4},
                                {0, 2}})
        putLittle(end, value, bytes);
    return local + central + end;
}

TEST(JarModuleName, ADescriptorDeclaringAnySizeIsReadOnlyAsFarAsItGoes) {
    char path[] = "/tmp/jar-module-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    // 2^62 bytes once ended the tool with an uncaught length_error; 4 GiB took as much memory.
    for (uint64_t declared : {uint64_t{1} << 62, uint64_t{0xFFFFFFFE}, uint64_t{4 << 20}}) {
        std::string jar = jarDeclaring("module-info.class", std::string(300, 'x'), declared);
        ASSERT_EQ(pwrite(fd, jar.data(), jar.size(), 0), static_cast<ssize_t>(jar.size()));
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(jar.size())), 0);
        EXPECT_EQ(jarModuleName(path), "") << declared;
    }
    close(fd);
    std::remove(path);
}

}  // namespace
}  // namespace trellane
