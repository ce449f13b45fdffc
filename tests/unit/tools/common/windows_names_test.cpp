#include "common/windows_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

TEST(WindowsNameProblem, AcceptsWhatWindowsCanHold) {
    const std::vector<std::string> names{
        "Hello App", "app-1.2.jar", "Zoë's Café 2", "日本語アプリ", ".hidden", " leading space",
        "CONSOLE",   "com10",       "COM0",         "NUL2",         "LPT",     "app.con",
        "a;b",       "x~y",         "Rock & Roll (Live)",           std::string(255, 'n')};
    for (const std::string& name : names) EXPECT_EQ(windowsNameProblem(name), "") << name;
    // 200 two-byte characters are 400 bytes but 200 characters.
    std::string accented;
    for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(windowsNameProblem(accented), "");
}

TEST(WindowsNameProblem, SaysWhyWindowsCannotHoldAName) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "is empty"},
        {"..", "names a folder itself"},
        {"bad\xC3", "is not valid UTF-8"},
        {"Zo\xEB", "is not valid UTF-8"},
        {"a<b", "holds '<', which Windows forbids in names"},
        {"a>b", "holds '>', which Windows forbids in names"},
        {"a:b", "holds ':', which Windows forbids in names"},
        {"say \"hi\"", "holds '\"', which Windows forbids in names"},
        {"a/b", "holds '/', which Windows forbids in names"},
        {"a\\b", "holds '\\', which Windows forbids in names"},
        {"a|b", "holds '|', which Windows forbids in names"},
        {"what?", "holds '?', which Windows forbids in names"},
        {"a*", "holds '*', which Windows forbids in names"},
        {"tab\there", "holds a control character (U+0009)"},
        {"line\nbreak", "holds a control character (U+000A)"},
        {"del\x7f", "holds a control character (U+007F)"},
        {"name.", "ends in a dot or a space, which Windows drops"},
        {"name ", "ends in a dot or a space, which Windows drops"},
        {"aux", "is a Windows device name"},
        {"Con.txt", "is a Windows device name"},
        {"PRN", "is a Windows device name"},
        {"Nul", "is a Windows device name"},
        {"COM1", "is a Windows device name"},
        {"com9", "is a Windows device name"},
        {"LPT1", "is a Windows device name"},
        {"nul .jar", "is a Windows device name"},
        {"COM\xC2\xB9", "is a Windows device name"},
        {"lpt\xC2\xB3.txt", "is a Windows device name"},
        {std::string(256, 'n'), "is longer than the 255 characters (UTF-16 units) Windows allows"},
    };
    for (const auto& [name, problem] : cases) EXPECT_EQ(windowsNameProblem(name), problem) << name;
}

TEST(WindowsProgramNameProblem, NeedsRoomForTheExtension) {
    EXPECT_EQ(windowsProgramNameProblem(std::string(251, 'x')), "");
    EXPECT_EQ(windowsProgramNameProblem(std::string(252, 'x')),
              "with \".exe\" is longer than the 255 characters (UTF-16 units) Windows allows");
    // The name's own problem, not the one of NAME.exe, which hides a trailing dot.
    EXPECT_EQ(windowsProgramNameProblem("App."), "ends in a dot or a space, which Windows drops");
}

TEST(WindowsSafeName, ReplacesForbiddenCharactersOfFreeText) {
    EXPECT_EQ(windowsSafeName("Acme, Inc."), "Acme, Inc");
    EXPECT_EQ(windowsSafeName("A/B: \"C\""), "A_B_ _C_");
    EXPECT_EQ(windowsSafeName("..."), "");
    EXPECT_EQ(windowsSafeName("CON"), "");
}

}  // namespace
}  // namespace trellane
