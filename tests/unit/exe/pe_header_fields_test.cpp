#include "exe/pe_header_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "exe/byte_access.h"
#include "pe_fixture.h"

namespace trellane {
namespace {

using namespace fixture;

TEST(PeHeaderFields, ChecksumFoldsCarriesSkipsItsFieldAndAddsTheLength) {
    const struct {
        std::string bytes;
        size_t field;
        uint32_t sum;
    } cases[] = {
        {"", 100, 0},
        {std::string("\x01\x02", 2), 100, 0x0201 + 2},
        {std::string("\x01\x02\x03", 3), 100, 0x0201 + 0x03 + 3},  // odd: a zero pads the end
        {std::string(4, '\xFF'), 100, 0xFFFF + 4},                 // 0x1FFFE folds to 0xFFFF
        {std::string("\xFF\xFF\x02\x00", 4), 100, 0x0002 + 4},     // 0x10001 folds to 0x0002
        {std::string("\x01\x00\xAA\xBB\xCC\xDD\x02\x00", 8), 2, 0x0003 + 8},
        {std::string("\x01\xAA\xBB\xCC\xDD\x00\x02", 7), 1, 0x0003 + 7},  // a field at an odd place
    };
    for (const auto& c : cases)
        EXPECT_EQ(imageChecksum(c.bytes, c.field), c.sum) << c.bytes.size() << " at " << c.field;
}

TEST(PeHeaderFields, SubsystemAndChecksumAreWrittenWhereTheLoaderReadsThem) {
    std::string file = build(launcherLike({}));
    PeImage image;
    std::string problem;
    ASSERT_TRUE(readPeImage(file, image, problem)) << problem;
    ASSERT_TRUE(writeSubsystem(file, kSubsystemConsole, problem)) << problem;
    ASSERT_TRUE(writeChecksum(file, problem)) << problem;
    EXPECT_EQ(readU16(file, kOptionalHeader + 68), kSubsystemConsole);
    uint32_t checksum = readU32(file, kOptionalHeader + 64);
    EXPECT_EQ(checksum, imageChecksum(file, kOptionalHeader + 64));
    ASSERT_TRUE(writeChecksum(file, problem)) << problem;
    EXPECT_EQ(readU32(file, kOptionalHeader + 64), checksum) << "the field itself never counts";

    std::string notPe = "MZ but nothing else";
    EXPECT_FALSE(writeSubsystem(notPe, kSubsystemConsole, problem));
    EXPECT_FALSE(writeChecksum(notPe, problem));
    EXPECT_EQ(notPe, "MZ but nothing else");
}

}  // namespace
}  // namespace trellane
