#include "package/installers/msi/msi_version.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(MsiVersion, PadsToTheThreePartsWindowsCompares) {
    const struct {
        const char* given;
        const char* productVersion;
        const char* compared;
        bool fourthPartIgnored;
    } cases[] = {
        {"", "1.0.0", "1.0.0", false},  // jpackage's default version
        {"2", "2.0.0", "2.0.0", false},
        {"1.2", "1.2.0", "1.2.0", false},
        {"255.255.65535", "255.255.65535", "255.255.65535", false},
        {"1.2.3.0", "1.2.3.0", "1.2.3", false},
        {"1.2.3.4", "1.2.3.4", "1.2.3", true},
        {"01.002.3", "1.2.3", "1.2.3", false},
    };
    for (const auto& c : cases) {
        MsiVersion version = msiVersion(c.given);
        EXPECT_EQ(version.productVersion, c.productVersion) << c.given;
        EXPECT_EQ(version.compared, c.compared) << c.given;
        EXPECT_EQ(version.fourthPartIgnored, c.fourthPartIgnored) << c.given;
    }
}

TEST(MsiVersion, RefusesWhatWindowsCannotCompare) {
    for (const char* version : {"256.0", "1.256", "1.0.65536", "1.2.3.65536", "1.2.3.4.5",
                                "1..2", "1.x", ".1", "1.-2", "99999999999"})
        EXPECT_EXIT(msiVersion(version), testing::ExitedWithCode(1),
                    "an MSI's version is MAJOR.MINOR.BUILD")
            << version;
}

}  // namespace
}  // namespace trellane
