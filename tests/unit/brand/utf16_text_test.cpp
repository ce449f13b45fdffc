#include "brand/utf16_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

TEST(Utf16TextTest, DecodesUtf8IncludingPairsOfSurrogates) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"Zoë", u"Zo\u00EB"},
        {"© 2024", u"\u00A9 2024"},
        {"日本", u"\u65E5\u672C"},
        {"\xF0\x9D\x84\x9E", u"\xD834\xDD1E"},
        {"", u""},
    };
    for (const auto& [text, want] : cases) {
        std::u16string decoded;
        EXPECT_TRUE(decodeUtf8(text, decoded)) << text;
        EXPECT_EQ(decoded, want) << text;
        EXPECT_EQ(encodeUtf8(decoded), text);
    }
}

TEST(Utf16TextTest, RefusesWhatIsNotUtf8) {
    for (const std::string& text :
         std::vector<std::string>{"Zo\xEB", "\xC0\x80", "\xE0\x80\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xC3", "\x80", "\xF8\x88\x80\x80\x80"}) {
        std::u16string decoded;
        EXPECT_FALSE(decodeUtf8(text, decoded)) << testing::PrintToString(text);
    }
}

TEST(Utf16TextTest, ALoneSurrogateBecomesTheReplacementCharacter) {
    EXPECT_EQ(encodeUtf8(u"a\xD800"
                         "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(encodeUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace trellane
