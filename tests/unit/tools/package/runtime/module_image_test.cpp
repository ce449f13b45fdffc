#include "package/runtime/module_image.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "package/runtime/runtime_release.h"

namespace trellane {
namespace {

// At most the first most bytes of the file.
std::string readFile(const std::string& path, size_t most = 1u << 20) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(most, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(most));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

class ModuleImage : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/module-image-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        for (const char* name : {"/modules"}) unlink((folder_ + name).c_str());
        rmdir(folder_.c_str());
    }
    std::string write(const std::string& bytes) {
        std::ofstream(folder_ + "/modules", std::ios::binary) << bytes;
        return folder_ + "/modules";
    }
    std::string folder_;
};

// The build JDK's own module image, against its release file.
TEST_F(ModuleImage, ReadsJavaBaseVersionOfARealImage) {
    std::string jdk = TRELLANE_JDK_HOME;
    std::string expected = parseReleaseFile(readFile(jdk + "/release"))["JAVA_VERSION"];
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(javaBaseVersion(jdk + "/lib/modules"), expected);
}

TEST_F(ModuleImage, TellsNothingOfWhatIsNoIntactImage) {
    // The index of a whole JDK's image is far longer than this.
    std::string image = readFile(std::string(TRELLANE_JDK_HOME) + "/lib/modules", 4096);
    ASSERT_EQ(image.size(), 4096u);
    std::string otherOrder = image.substr(0, 4096);
    std::swap(otherOrder[0], otherOrder[3]);
    std::swap(otherOrder[1], otherOrder[2]);
    std::string newerFormat = image.substr(0, 4096);
    newerFormat[6] = 2;  // major version 2
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"a text file", "JAVA_VERSION=\"17\"\n"},
        {"the header alone", image.substr(0, 28)},
        {"cut in the index", image.substr(0, 4096)},
        {"the other byte order", otherOrder},
        {"a format not known", newerFormat},
    };
    for (const auto& [what, bytes] : cases)
        EXPECT_EQ(javaBaseVersion(write(bytes)), "") << what;
    EXPECT_EQ(javaBaseVersion(folder_ + "/missing"), "");
    EXPECT_EQ(javaBaseVersion(folder_), "") << "a folder";
}

}  // namespace
}  // namespace trellane
