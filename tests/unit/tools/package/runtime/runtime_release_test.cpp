#include "package/runtime/runtime_release.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(ParseReleaseFile, ReadsQuotedValues) {
    auto values = parseReleaseFile(
        "IMPLEMENTOR=\"Eclipse Adoptium\"\r\nJAVA_VERSION=\"21.0.2\"\nMODULES=\"java.base "
        "java.logging\"\nOS_NAME=\"Windows\"\nOS_ARCH=\"x86_64\"\nBROKEN\n=x\nPLAIN=1");
    EXPECT_EQ(values["JAVA_VERSION"], "21.0.2");
    EXPECT_EQ(values["OS_NAME"], "Windows");
    EXPECT_EQ(values["OS_ARCH"], "x86_64");
    EXPECT_EQ(values["MODULES"], "java.base java.logging");
    EXPECT_EQ(values["PLAIN"], "1");
    EXPECT_EQ(values.count("BROKEN"), 0u);
}

TEST(JavaFeatureVersion, ReadsEachVersionScheme) {
    struct Case {
        const char* version;
        int feature;
    } cases[] = {{"17.0.15", 17},  {"21", 21}, {"22-ea", 22}, {"19.0.2+7", 19},
                 {"1.8.0_392", 8}, {"", 0},    {"x17", 0},    {"99999999999", 0}};
    for (const Case& c : cases) EXPECT_EQ(javaFeatureVersion(c.version), c.feature) << c.version;
}

}  // namespace
}  // namespace trellane
