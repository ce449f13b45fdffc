#include "brand/assembly_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace trellane {
namespace {

TEST(AssemblyIdentityTest, DerivesVendorDotNameFromTheSafeCharacters) {
    const struct {
        const char* vendor;
        const char* name;
        const char* want;
    } cases[] = {
        {"Vendor", "Application", "Vendor.Application"},
        {"Example Corp", "My App", "ExampleCorp.MyApp"},
        {"Zoë & Co.", "Café", "ZoeCo.Cafe"},
        {"Øresund Straße", "Æther", "OresundStrasse.AEther"},
        {"Acme Inc.", "Tools.Pro", "AcmeInc.Tools.Pro"},
        {"...", "App", "App"},
        {"株式会社", "App-1_x", "App-1_x"},
        {"Vendor", "日本語", "Vendor"},
        {"株式会社", "日本語", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string derived = deriveIdentity(c.vendor, c.name);
        EXPECT_EQ(derived, c.want) << c.vendor << " / " << c.name;
        if (!derived.empty()) {
            EXPECT_EQ(identityProblem(derived), "") << derived;
        }
    }
}

TEST(AssemblyIdentityTest, ADerivedIdentityIsShortEnoughAndEndsInNoDot) {
    std::string derived = deriveIdentity(std::string(254, 'v') + ".", "Name");
    EXPECT_EQ(derived, std::string(254, 'v'));
    EXPECT_EQ(identityProblem(derived), "");
}

TEST(AssemblyIdentityTest, ChecksAnExplicitIdentityWithoutChangingIt) {
    for (const char* good : {"Vendor.Application", "a", "A-b_c.D9", "x.y.z.w"})
        EXPECT_EQ(identityProblem(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
        {"My App", "holds characters other than ASCII letters, digits, '-', '_' and dots"},
        {"Zoë.App", "holds characters other than ASCII letters, digits, '-', '_' and dots"},
        {"a\"b", "holds characters other than ASCII letters, digits, '-', '_' and dots"},
        {".App", "has an empty part (a dot at the start or end, or two dots)"},
        {"App.", "has an empty part (a dot at the start or end, or two dots)"},
        {"a..b", "has an empty part (a dot at the start or end, or two dots)"},
        {std::string(256, 'a'), "is longer than 255 characters"},
    };
    for (const auto& [identity, want] : bad) EXPECT_EQ(identityProblem(identity), want) << identity;
}

}  // namespace
}  // namespace trellane
