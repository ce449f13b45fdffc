#include "package/windows_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

TEST(WindowsNameProblem, AcceptsWhatWindowsCanHold) {
    const std::vector<std::string> names{"Hello App", "app-1.2.jar", "Caf\xC3\xA9",
                                         ".hidden",   "CONSOLE",     "com10",
                                         "a;b",       "x~y",         std::string(255, 'n')};
    for (const std::string& name : names) EXPECT_EQ(windowsNameProblem(name), "") << name;
}

TEST(WindowsNameProblem, SaysWhyWindowsCannotHoldAName) {
    struct Case {
        std::string name;
        const char* problem;
    } cases[] = {
        {"", "it is empty"},
        {"..", "it names a folder itself"},
        {"a:b", "it holds ':', which Windows forbids in names"},
        {"what?", "it holds '?', which Windows forbids in names"},
        {"a\\b", "it holds '\\', which Windows forbids in names"},
        {"tab\there", "it holds a control character"},
        {"name.", "it ends with a dot or a space, which Windows drops"},
        {"name ", "it ends with a dot or a space, which Windows drops"},
        {"aux", "Windows reserves it for a device"},
        {"Con.txt", "Windows reserves it for a device"},
        {"LPT1", "Windows reserves it for a device"},
        {"nul .jar", "Windows reserves it for a device"},
        {"bad\xC3", "it is not UTF-8 text"},
        {std::string(256, 'n'), "it is longer than the 255 characters Windows allows"},
    };
    for (const Case& c : cases) EXPECT_EQ(windowsNameProblem(c.name), c.problem) << c.name;
    // 200 two-byte characters are 400 bytes but 200 characters.
    std::string accented;
    for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(windowsNameProblem(accented), "");
}

TEST(WindowsSafeName, ReplacesForbiddenCharactersOfFreeText) {
    EXPECT_EQ(windowsSafeName("Acme, Inc."), "Acme, Inc");
    EXPECT_EQ(windowsSafeName("A/B: \"C\""), "A_B_ _C_");
    EXPECT_EQ(windowsSafeName("..."), "");
    EXPECT_EQ(windowsSafeName("CON"), "");
}

}  // namespace
}  // namespace trellane
