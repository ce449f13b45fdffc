#include "common/plain_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace trellane {
namespace {

TEST(PlainTextProblem, OneLineOfUtf8Text) {
    const std::pair<std::string, std::string> cases[] = {
        {"Hello App", ""},
        {"Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80", ""},
        {"", ""},
        {"a\rb", "holds a control character (U+000D)"},
        {"a\x1B[31m", "holds a control character (U+001B)"},
        {"a\x7F", "holds a control character (U+007F)"},
        {"a\xC2\x85", "holds a control character (U+0085)"},
        {"a\xC2\x9F", "holds a control character (U+009F)"},
        {"Zo\xEB", "is not UTF-8 text"},
        {"\xC3", "is not UTF-8 text"},
        {"\xC0\xAF", "is not UTF-8 text"},          // an overlong '/'
        {"\xED\xA0\x80", "is not UTF-8 text"},      // a surrogate
        {"\xF4\x90\x80\x80", "is not UTF-8 text"},  // beyond U+10FFFF
        {"\x80", "is not UTF-8 text"},
    };
    for (const auto& [text, problem] : cases) EXPECT_EQ(plainTextProblem(text), problem) << text;
}

}  // namespace
}  // namespace trellane
