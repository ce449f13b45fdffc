#include "package/installers/msi/msi_limits.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(OutsideWindows1252, NamesTheFirstCharacterItLacks) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Zo\xC3\xAB Tools \xE2\x82\xAC \xC5\x92 \xC5\xB8 \xC3\xBF", ""},  // ë € Œ Ÿ ÿ
        {"", ""},
        {"X \xCE\xA9 \xE6\x97\xA5", "'\xCE\xA9' (U+03A9)"},    // Ω first
        {"\xF0\x9F\x98\x80", "'\xF0\x9F\x98\x80' (U+1F600)"},  // outside the BMP
        {"a\xC2\x81", "U+0081"},                               // C1, by code alone
        {"a\xFF", "byte 0xFF (not UTF-8)"},
        {"\xC0\xAF", "byte 0xC0 (not UTF-8)"},      // overlong '/'
        {"\xED\xA0\x80", "byte 0xED (not UTF-8)"},  // a surrogate
        {"\xE2\x82", "byte 0xE2 (not UTF-8)"},      // cut short
    };
    for (const auto& c : cases) EXPECT_EQ(outsideWindows1252(c.text), c.expected) << c.text;
}

TEST(WindowsCaseKey, FoldsWindows1252LettersAsWindowsDoes) {
    EXPECT_EQ(windowsCaseKey("app/readme.txt"), windowsCaseKey("APP/README.TXT"));
    EXPECT_EQ(windowsCaseKey("\xC3\xA9t\xC3\xA9"), windowsCaseKey("\xC3\x89T\xC3\x89"));  // été
    EXPECT_EQ(windowsCaseKey("\xC5\x93\xC3\xBF"), windowsCaseKey("\xC5\x92\xC5\xB8"));    // œÿ
    EXPECT_NE(windowsCaseKey("\xC3\x9F"), windowsCaseKey("SS"));        // ß stays itself
    EXPECT_NE(windowsCaseKey("\xC3\xB7"), windowsCaseKey("\xC3\x97"));  // ÷ is not ×
}

}  // namespace
}  // namespace trellane
