#include "hosting/jar_entry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "jar_file_fixture.h"
#include "platform/platform.h"

namespace trellane {
namespace {

const FileReader& files() {
    return platform::splashPrimitives().files;
}

std::string image(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * i) >> 3);
    return bytes;
}

TEST(ReadJarEntry, ReadsStoredAndDeflatedEntries) {
    std::vector<JarEntrySpec> entries = {
        {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nSplashScreen-Image: s.png\r\n", true},
        {"s.png", image(70000), true},
        {"images/stored.gif", image(3000), false},
        {"empty", "", false},
        {"ünicode/splash.png", image(10), true},
    };
    for (int i = 0; i < 2000; ++i) entries.push_back({"pad/" + std::to_string(i), "x", false});
    for (const std::string& comment :
         {std::string(), std::string("a comment"), std::string(65535, 'c')}) {
        std::string jar = writeJar("entries.jar", entries, comment);
        for (const JarEntrySpec& entry : entries) {
            std::string bytes = "left over";
            ASSERT_TRUE(readJarEntry(jar.c_str(), entry.name, files(), 1 << 20, bytes))
                << entry.name << " comment " << comment.size();
            EXPECT_TRUE(bytes == entry.bytes) << entry.name;
        }
    }
}

TEST(ReadJarEntry, RefusesWhatItCannotRead) {
    std::string jar = writeJar("refused.jar", {{"s.png", image(5000), true}, {"dir/", "", false}});
    std::string bytes;
    EXPECT_FALSE(readJarEntry(jar.c_str(), "S.png", files(), 1 << 20, bytes));
    EXPECT_FALSE(readJarEntry(jar.c_str(), "/s.png", files(), 1 << 20, bytes));
    EXPECT_FALSE(readJarEntry(jar.c_str(), "missing.png", files(), 1 << 20, bytes));
    EXPECT_FALSE(readJarEntry(jar.c_str(), "s.png", files(), 4999, bytes));  // too large
    EXPECT_FALSE(readJarEntry((jar + ".missing").c_str(), "s.png", files(), 1 << 20, bytes));
    EXPECT_FALSE(readJarEntry(::testing::TempDir().c_str(), "s.png", files(), 1 << 20, bytes));

    // A jar cut short anywhere: never more than a refusal.
    std::ifstream in(jar, std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t size : {size_t{0}, size_t{21}, whole.size() / 2, whole.size() - 1}) {
        std::string cut = ::testing::TempDir() + "cut.jar";
        std::ofstream(cut, std::ios::binary) << whole.substr(0, size);
        EXPECT_FALSE(readJarEntry(cut.c_str(), "s.png", files(), 1 << 20, bytes)) << size;
    }
    // Damaged data of a deflated entry.
    std::string damaged = whole;
    damaged[60] ^= 0x55;
    std::string path = ::testing::TempDir() + "damaged.jar";
    std::ofstream(path, std::ios::binary) << damaged;
    if (readJarEntry(path.c_str(), "s.png", files(), 1 << 20, bytes)) {
        EXPECT_EQ(bytes.size(), 5000u);
    }
}

}  // namespace
}  // namespace trellane
