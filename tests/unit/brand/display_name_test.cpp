#include "brand/display_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

TEST(DisplayNameTest, AcceptsWhatWindowsCanNameAFile) {
    for (const std::string& name :
         std::vector<std::string>{"Example App", "Zoë's Café 2", "日本語アプリ", "a.b",
                                  " leading space", "CONSOLE", "COM0", "COM10", "NUL2", "LPT",
                                  "app.con", "Rock & Roll (Live)", std::string(251, 'x')}) {
        EXPECT_EQ(fileNameProblem(name), "") << name;
    }
}

TEST(DisplayNameTest, SaysWhyWindowsCannotNameAFileSo) {
    const std::pair<std::string, const char*> cases[] = {
        {"a<b", "holds '<'"},
        {"a>b", "holds '>'"},
        {"a:b", "holds ':'"},
        {"say \"hi\"", "holds '\"'"},
        {"a/b", "holds '/'"},
        {"a\\b", "holds '\\'"},
        {"a|b", "holds '|'"},
        {"why?", "holds '?'"},
        {"a*", "holds '*'"},
        {"tab\there", "holds a control character (U+0009)"},
        {"line\nbreak", "holds a control character (U+000A)"},
        {"del\x7f", "holds a control character (U+007F)"},
        {"App.", "ends in a dot or a space"},
        {"App ", "ends in a dot or a space"},
        {"..", "ends in a dot or a space"},
        {"CON", "is a Windows device name"},
        {"con", "is a Windows device name"},
        {"Nul", "is a Windows device name"},
        {"PRN", "is a Windows device name"},
        {"AUX", "is a Windows device name"},
        {"COM1", "is a Windows device name"},
        {"com9", "is a Windows device name"},
        {"LPT1", "is a Windows device name"},
        {"LPT9", "is a Windows device name"},
        {"NUL.app", "is a Windows device name"},
        {"COM\xC2\xB9", "is a Windows device name"},
        {std::string(252, 'x'), "is longer than 251 characters (UTF-16 units)"},
        {"Zo\xEB", "is not valid UTF-8"},
        {"", "is empty"},
    };
    for (const auto& [name, want] : cases) EXPECT_EQ(fileNameProblem(name), want) << name;
}

}  // namespace
}  // namespace trellane
