#include "package/installers/msi/msi_guid.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(NameBasedGuid, IsTheVersion5GuidOfTheName) {
    // RFC 4122's DNS namespace and a name, as Python's uuid.uuid5 gives them.
    EXPECT_EQ(nameBasedGuid("6ba7b810-9dad-11d1-80b4-00c04fd430c8", "python.org"),
              "{886313E1-3B8A-5372-9B90-0C9AEE199E5D}");
    EXPECT_NE(nameBasedGuid(kUpgradeCodeNamespace, "Acme\nEditor"),
              nameBasedGuid(kUpgradeCodeNamespace, "Acme\nEditor2"));
}

TEST(NormalGuid, WritesGuidsAsMsiTablesDo) {
    std::string guid;
    for (const char* text : {"0e4f6e2a-1c2b-4d5e-8f90-123456789abc",
                             "{0E4F6E2A-1C2B-4D5E-8F90-123456789ABC}"}) {
        ASSERT_TRUE(normalGuid(text, guid)) << text;
        EXPECT_EQ(guid, "{0E4F6E2A-1C2B-4D5E-8F90-123456789ABC}");
    }
    for (const char* text : {"", "0e4f6e2a1c2b4d5e8f90123456789abc",
                             "{0e4f6e2a-1c2b-4d5e-8f90-123456789abc", "0e4f6e2a-1c2b-4d5e-8f90-123456789abg",
                             "0e4f6e2a-1c2b-4d5e-8f9-0123456789abc"})
        EXPECT_FALSE(normalGuid(text, guid)) << text;
}

}  // namespace
}  // namespace trellane
