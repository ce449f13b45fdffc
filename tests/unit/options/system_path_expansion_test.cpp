#include "options/system_path_expansion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace trellane {
namespace {

// A system directory query with GetSystemDirectoryA's contract over a scripted directory,
// recording the buffer sizes it was given.
std::string fakeDirectory;
std::vector<uint32_t> fakeCalls;

uint32_t fakeQuery(char* buffer, uint32_t size) {
    fakeCalls.push_back(size);
    if (fakeDirectory.empty()) return 0;
    const uint32_t length = static_cast<uint32_t>(fakeDirectory.size());
    if (length >= size) return length + 1;
    std::memcpy(buffer, fakeDirectory.c_str(), length + 1);
    return length;
}

std::string expanded(std::string option, const std::string& directory) {
    fakeDirectory = directory;
    fakeCalls.clear();
    expandWindowsSystemPath(option, fakeQuery);
    return option;
}

TEST(ExpandWindowsSystemPath, FirstPlaceholderOnly) {
    const std::string sys = "C:\\Windows\\system32";
    struct Case {
        std::string option, expected;
    } cases[] = {
        {"-Djava.library.path=&&bin;<windows-system-path>", "-Djava.library.path=&&bin;" + sys},
        {"<windows-system-path><windows-system-path>", sys + "<windows-system-path>"},
        {"<windows-system-path>", sys},
        {"-Dp=<windows-system-path>\\drivers;x", "-Dp=" + sys + "\\drivers;x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(expanded(c.option, sys), c.expected);
        EXPECT_EQ(fakeCalls, std::vector<uint32_t>{260});
    }
}

TEST(ExpandWindowsSystemPath, NoPlaceholderNoQuery) {
    for (const char* option : {"-Dp=<WINDOWS-SYSTEM-PATH>", "-Dp=<windows-system-path", "",
                               "-Dp=windows-system-path>"}) {
        EXPECT_EQ(expanded(option, "C:\\W"), option);
        EXPECT_TRUE(fakeCalls.empty()) << option;
    }
}

TEST(ExpandWindowsSystemPath, LongDirectoryGrowsTheBuffer) {
    for (size_t length : {259u, 260u, 300u, 40000u}) {
        const std::string sys = "C:\\" + std::string(length - 3, 's');
        EXPECT_EQ(expanded("-Dp=<windows-system-path>;x", sys), "-Dp=" + sys + ";x");
        const std::vector<uint32_t> calls =
            length < 260 ? std::vector<uint32_t>{260}
                         : std::vector<uint32_t>{260, static_cast<uint32_t>(length + 2)};
        EXPECT_EQ(fakeCalls, calls) << length;
    }
}

// A directory that grows between the two calls: asked again until the buffer holds it.
uint32_t growingQuery(char* buffer, uint32_t size) {
    const std::string directory(size + 50, 'g');
    const uint32_t length = static_cast<uint32_t>(directory.size());
    if (size > 1000) return fakeQuery(buffer, size);
    return length + 1;
}

TEST(ExpandWindowsSystemPath, DirectoryChangingBetweenCalls) {
    fakeDirectory = "D:\\sys";
    std::string option = "<windows-system-path>";
    expandWindowsSystemPath(option, growingQuery);
    EXPECT_EQ(option, "D:\\sys");
}

uint32_t absurdQuery(char*, uint32_t) {
    return UINT32_MAX;
}

using ExpandWindowsSystemPathDeathTest = ::testing::Test;

TEST(ExpandWindowsSystemPathDeathTest, FailingQueryEndsTheLaunch) {
    const auto message = ::testing::Matcher<const std::string&>(
        "Could not determine the Windows system directory.\r\n");
    EXPECT_EXIT(expanded("-Dp=<windows-system-path>", ""), ::testing::ExitedWithCode(1), message);
    std::string option = "<windows-system-path>";
    EXPECT_EXIT(expandWindowsSystemPath(option, absurdQuery), ::testing::ExitedWithCode(1),
                message);
}

}  // namespace
}  // namespace trellane
