#include "hosting/java_string.h"

#include <gtest/gtest.h>

#include <string>

namespace trellane {
namespace {

struct Case {
    const char* name;
    std::string utf8;
    std::string modified;
};

const Case kCases[] = {
    {"ascii", "plain -Dx=1 &&", "plain -Dx=1 &&"},
    {"empty", "", ""},
    {"two and three bytes pass", "h\xC3\xA9llo \xE2\x82\xAC", "h\xC3\xA9llo \xE2\x82\xAC"},
    {"U+1F600 becomes a surrogate pair", "\xF0\x9F\x98\x80", "\xED\xA0\xBD\xED\xB8\x80"},
    {"U+10000, the first beyond the BMP", "\xF0\x90\x80\x80", "\xED\xA0\x80\xED\xB0\x80"},
    {"U+10FFFF, the last", "a\xF4\x8F\xBF\xBFz", "a\xED\xAF\xBF\xED\xBF\xBFz"},
    {"last before the surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
    {"encoded surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"overlong NUL", "\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"stray bytes", "\xFF\xFEx", "\xEF\xBF\xBD\xEF\xBF\xBDx"},
    {"lone continuation", "\x80", "\xEF\xBF\xBD"},
    {"cut short at the end", "a\xE2\x82", "a\xEF\xBF\xBD"},
    {"cut short four-byte sequence", "\xF0\x9F\x98!", "\xEF\xBF\xBD!"},
    {"lead without continuation", "\xC3(", "\xEF\xBF\xBD("},
    {"overlong two-byte", "\xC1\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"overlong three-byte", "\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"overlong four-byte", "\xF0\x80\x80\xAF",
     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80",
     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
};

TEST(ToModifiedUtf8, RewritesUtf8ForNewStringUtf) {
    for (const Case& c : kCases)
        EXPECT_EQ(c.modified, toModifiedUtf8(c.utf8.c_str())) << c.name;
}

}  // namespace
}  // namespace trellane
