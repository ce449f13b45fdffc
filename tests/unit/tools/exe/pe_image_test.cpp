#include "exe/pe_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "exe/byte_access.h"
#include "pe_fixture.h"

namespace trellane {
namespace {

using namespace fixture;

std::string launcherLikeFile() {
    return build(launcherLike({resource(number(24), number(1), 0x409, "<assembly/>")}));
}

TEST(PeImage, ReadsTheHeadersAndSectionsALinkerWrites) {
    std::string file = launcherLikeFile();
    PeImage image;
    std::string problem;
    ASSERT_TRUE(readPeImage(file, image, problem)) << problem;
    EXPECT_EQ(image.fileAlignment, 0x200u);
    EXPECT_EQ(image.sectionAlignment, 0x1000u);
    EXPECT_EQ(image.subsystem, kSubsystemGui);
    EXPECT_EQ(image.directories.size(), 16u);
    ASSERT_EQ(image.sections.size(), 5u);
    EXPECT_EQ(image.sections[3].name, ".rsrc");
    EXPECT_EQ(image.directory(kDirectoryResource).address, image.sections[3].virtualAddress);
    EXPECT_EQ(image.sections[2].sizeOfRawData, 0u) << "zero-filled data has no file bytes";
    EXPECT_EQ(endOfSectionData(image), file.size());
}

TEST(PeImage, TakesEveryAlignmentTheFormatAllows) {
    // (file, section): the bounds of the file's, and the same below a page.
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0x200, 0x1000}, {0x10000, 0x10000}, {0x200, 0x200}, {0x80, 0x80}};
    for (auto [fileAlignment, sectionAlignment] : cases) {
        Image built = launcherLike({resource(number(24), number(1), 0x409, "<assembly/>")});
        built.fileAlignment = fileAlignment;
        built.sectionAlignment = sectionAlignment;
        PeImage image;
        std::string problem;
        EXPECT_TRUE(readPeImage(build(built), image, problem)) << fileAlignment << ": " << problem;
    }
}

TEST(PeImage, FileOffsetsOnlyForBytesTheFileHolds) {
    std::string file = launcherLikeFile();
    PeImage image;
    std::string problem;
    ASSERT_TRUE(readPeImage(file, image, problem)) << problem;
    const PeSection& data = image.sections[1];
    size_t offset = 0;
    EXPECT_TRUE(fileOffsetOf(image, data.virtualAddress + 5, 5, offset));
    EXPECT_EQ(file.substr(offset, 5), "bytes");
    EXPECT_FALSE(fileOffsetOf(image, data.virtualAddress + 5, 6, offset)) << "past the data";
    EXPECT_FALSE(fileOffsetOf(image, image.sections[2].virtualAddress, 1, offset)) << ".bss";
    EXPECT_FALSE(fileOffsetOf(image, 0xFFFFFFF0, 0x20, offset));
}

struct BadFile {
    const char* what;
    std::function<void(std::string&)> damage;
    const char* problem;
};

TEST(PeImage, RefusesWhatIsNotAnIntactPe32PlusFile) {
    const BadFile cases[] = {
        {"empty", [](std::string& f) { f.clear(); }, "no MZ header"},
        {"not MZ", [](std::string& f) { f[0] = 'Z'; }, "no MZ header"},
        {"cut in the DOS header", [](std::string& f) { f.resize(40); }, "no MZ header"},
        {"PE header out of the file", [](std::string& f) { writeU32(f, 0x3C, 0xFFFFFFF0); },
         "no PE header"},
        {"cut in the COFF header", [](std::string& f) { f.resize(kPeHeader + 10); },
         "no PE header"},
        {"no PE signature", [](std::string& f) { f[kPeHeader] = 'X'; }, "no PE header"},
        {"cut in the optional header", [](std::string& f) { f.resize(kOptionalHeader + 100); },
         "optional header runs past"},
        {"32-bit", [](std::string& f) { writeU16(f, kOptionalHeader, 0x10B); },
         "32-bit executable (PE32)"},
        {"a ROM image", [](std::string& f) { writeU16(f, kOptionalHeader, 0x107); },
         "not a 64-bit executable"},
        {"optional header too small", [](std::string& f) { writeU16(f, kPeHeader + 20, 100); },
         "not a 64-bit executable"},
        {"file alignment not a power of two",
         [](std::string& f) { writeU32(f, kOptionalHeader + 36, 0x300); }, "alignments"},
        {"file alignment above the section's",
         [](std::string& f) { writeU32(f, kOptionalHeader + 36, 0x2000); }, "alignments"},
        {"file alignment below 512 bytes",
         [](std::string& f) { writeU32(f, kOptionalHeader + 36, 0x100); }, "alignments"},
        {"file and section alignments of 1 GiB",  // each edited section padded to 1 GiB
         [](std::string& f) {
             writeU32(f, kOptionalHeader + 32, 0x40000000);
             writeU32(f, kOptionalHeader + 36, 0x40000000);
         },
         "file 0x40000000, section 0x40000000"},
        {"file alignment of 128 KiB",
         [](std::string& f) {
             writeU32(f, kOptionalHeader + 32, 0x20000);
             writeU32(f, kOptionalHeader + 36, 0x20000);
         },
         "alignments"},
        {"more directories than the header holds",
         [](std::string& f) { writeU32(f, kOptionalHeader + 108, 17); }, "data directories"},
        {"cut in the section table", [](std::string& f) { f.resize(kSectionTable + 60); },
         "section table"},
        {"too many sections", [](std::string& f) { writeU16(f, kPeHeader + 6, 97); },
         "section table"},
        {"truncated in the last section", [](std::string& f) { f.resize(f.size() - 1); },
         "'.reloc' runs past"},
        {"section data pointer out of the file",
         [](std::string& f) { writeU32(f, kSectionTable + 40 + 20, 0xFFFFFF00); },
         "'.data' runs past"},
        {"sections out of address order",
         [](std::string& f) { writeU32(f, kSectionTable + 40 + 12, 0x100); }, "address order"},
        {"sections overlapping", [](std::string& f) { writeU32(f, kSectionTable + 8, 0x1800); },
         "overlap"},
    };
    for (const BadFile& bad : cases) {
        std::string file = launcherLikeFile();
        bad.damage(file);
        PeImage image;
        std::string problem;
        EXPECT_FALSE(readPeImage(file, image, problem)) << bad.what;
        EXPECT_NE(problem.find(bad.problem), std::string::npos) << bad.what << ": " << problem;
    }
}

// What a file is built for is read before, and apart from, the headers an edit needs: a
// 32-bit or an ARM64 library is named as such rather than as a damaged file.
TEST(PeKind, NamesTheMachineAndTheKindOfFile) {
    const struct {
        uint16_t machine, characteristics, magic;
        const char* name;
    } cases[] = {
        {kMachineAmd64, 0x2022, kMagicPe32Plus, "x86-64"},
        {kMachineI386, 0x2102, kMagicPe32, "x86 (32-bit)"},
        {kMachineArm64, 0x2022, kMagicPe32Plus, "ARM64"},
        {kMachineArmNt, 0x2102, kMagicPe32, "ARM (32-bit)"},
        {0x5064, 0x0022, kMagicPe32Plus, "machine 0x5064"},
    };
    for (const auto& c : cases) {
        std::string file = launcherLikeFile();
        writeU16(file, kPeHeader + 4, c.machine);
        writeU16(file, kPeHeader + 22, c.characteristics);
        writeU16(file, kOptionalHeader, c.magic);
        PeKind kind;
        std::string problem;
        ASSERT_TRUE(readPeKind(file, kind, problem)) << problem;
        EXPECT_EQ(kind.coffHeader, kPeHeader + 4);
        EXPECT_EQ(kind.machine, c.machine);
        EXPECT_EQ(kind.characteristics, c.characteristics);
        EXPECT_EQ(kind.magic, c.magic);
        EXPECT_EQ(machineName(kind.machine), c.name);
    }
    // Headers alone are enough: the sections may be cut off.
    std::string headers = launcherLikeFile().substr(0, kOptionalHeader + 2);
    PeKind kind;
    std::string problem;
    ASSERT_TRUE(readPeKind(headers, kind, problem)) << problem;
    EXPECT_EQ(kind.magic, kMagicPe32Plus);
    headers.resize(kOptionalHeader);
    ASSERT_TRUE(readPeKind(headers, kind, problem)) << problem;
    EXPECT_EQ(kind.magic, 0) << "no optional header to read";
    EXPECT_FALSE(readPeKind("\x7f" "ELF and more bytes than a DOS header holds, which is sixty-four",
                            kind, problem));
    EXPECT_EQ(problem, "is not a Windows executable (no MZ header)");
}

TEST(PeImage, FewerDataDirectoriesReadAsAbsent) {
    std::string file = launcherLikeFile();
    writeU32(file, kOptionalHeader + 108, 2);
    PeImage image;
    std::string problem;
    ASSERT_TRUE(readPeImage(file, image, problem)) << problem;
    EXPECT_EQ(image.directories.size(), 2u);
    EXPECT_FALSE(image.directory(kDirectoryResource).present());
}

}  // namespace
}  // namespace trellane
