#include "brand/app_version.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(AppVersionTest, PadsOneToFourNumbersToFour) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "1.0.0.0"},
        {"1.2", "1.2.0.0"},
        {"1.2.3", "1.2.3.0"},
        {"1.2.3.4", "1.2.3.4"},
        {"0", "0.0.0.0"},
        {"65535.65535.65535.65535", "65535.65535.65535.65535"},
        {"1.02", "1.2.0.0"},
        {"000", "0.0.0.0"},
        {"0000065535", "65535.0.0.0"},
    };
    for (const auto& [text, want] : cases) {
        std::string padded;
        EXPECT_TRUE(padAppVersion(text, padded)) << text;
        EXPECT_EQ(padded, want) << text;
    }
}

TEST(AppVersionTest, RefusesAnythingElse) {
    for (const char* text : {"", "1.2.x", "1..2", "+1", "-1", "1.", ".1", " 1", "1 ", "1.2.3.4.5",
                             "65536", "1.99999", "1,2", "v1.2", "1.2-beta", "0x10", "１"}) {
        std::string padded = "untouched";
        EXPECT_FALSE(padAppVersion(text, padded)) << '"' << text << '"';
        EXPECT_EQ(padded, "untouched") << text;
    }
}

}  // namespace
}  // namespace trellane
