#include "exe/resource_section_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "exe/byte_access.h"
#include "exe/launcher_file.h"
#include "exe/resource_tree_reader.h"
#include "pe_fixture.h"

namespace trellane {
namespace {

using namespace fixture;

ResourceList small() {
    return {resource(number(24), number(1), 0x409, "<assembly/>"),
            resource(number(16), number(1), 0x409, "version")};
}

// Enough to need more pages and file blocks than small().
ResourceList large() {
    ResourceList list = small();
    list.push_back(resource(number(3), number(5), 0x409, std::string(0x2345, '\x89')));
    list.push_back(resource(named(u"EXTRA"), named(u"DATA"), 0, std::string(700, 'x')));
    return list;
}

PeImage headersOf(const std::string& file) {
    PeImage image;
    std::string problem;
    EXPECT_TRUE(readPeImage(file, image, problem)) << problem;
    return image;
}

void expectResources(const std::string& file, ResourceList want) {
    std::sort(want.begin(), want.end(), resourceOrder);
    PeImage image = headersOf(file);
    ResourceList got;
    std::string problem;
    ASSERT_TRUE(readResources(file, image, got, problem)) << problem;
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(got[i].type == want[i].type && got[i].name == want[i].name) << i;
        EXPECT_EQ(got[i].data, want[i].data) << i;
    }
}

std::string edited(std::string file, const ResourceList& resources) {
    std::string problem;
    EXPECT_TRUE(replaceResourceSection(file, resources, problem)) << problem;
    return file;
}

std::string refusal(std::string file, const ResourceList& resources) {
    std::string problem;
    EXPECT_FALSE(replaceResourceSection(file, resources, problem));
    return problem;
}

TEST(ResourceSectionEdit, GrowingMovesTheRelocationsAndFixesTheHeaders) {
    std::string original = build(launcherLike(small()));
    std::string grown = edited(original, large());
    expectResources(grown, large());

    PeImage before = headersOf(original), after = headersOf(grown);
    const PeSection &rsrc = after.sections[3], &reloc = after.sections[4];
    EXPECT_EQ(rsrc.virtualAddress, before.sections[3].virtualAddress);
    EXPECT_EQ(rsrc.sizeOfRawData, alignUp(rsrc.virtualSize, 0x200));
    EXPECT_EQ(after.directory(kDirectoryResource).size, rsrc.virtualSize);
    EXPECT_EQ(reloc.virtualAddress, alignUp(rsrc.virtualAddress + rsrc.virtualSize, 0x1000));
    EXPECT_GT(reloc.virtualAddress, before.sections[4].virtualAddress);
    EXPECT_EQ(reloc.pointerToRawData, rsrc.pointerToRawData + rsrc.sizeOfRawData);
    EXPECT_EQ(grown.substr(reloc.pointerToRawData, reloc.sizeOfRawData),
              original.substr(before.sections[4].pointerToRawData, reloc.sizeOfRawData));
    EXPECT_EQ(after.directory(kDirectoryBaseRelocation).address, reloc.virtualAddress);
    EXPECT_EQ(readU32(grown, after.sizeOfImageField()), reloc.virtualAddress + 0x1000);
    EXPECT_EQ(readU32(grown, after.sizeOfInitializedDataField()) -
                  readU32(original, before.sizeOfInitializedDataField()),
              rsrc.sizeOfRawData - before.sections[3].sizeOfRawData);
    size_t headers = after.sections[0].pointerToRawData;
    EXPECT_EQ(grown.substr(headers, rsrc.pointerToRawData - headers),
              original.substr(headers, rsrc.pointerToRawData - headers))
        << "the sections before the resources stay byte for byte";

    // Shrinking back gives the original file exactly: every field moved back.
    EXPECT_EQ(edited(grown, small()), original);
}

TEST(ResourceSectionEdit, AppendedDataAndTheSymbolTableFollowTheirBytes) {
    Image image = launcherLike(small());
    image.sections.pop_back();  // the resources last
    image.relocationSection = -1;
    image.appended = "symbols and strings";
    std::string original = build(image);
    size_t appendedAt = original.size() - image.appended.size();
    writeU32(original, kPeHeader + 4 + 8, static_cast<uint32_t>(appendedAt + 8));

    std::string grown = edited(original, large());
    expectResources(grown, large());
    EXPECT_EQ(grown.substr(grown.size() - image.appended.size()), image.appended);
    PeImage after = headersOf(grown);
    EXPECT_EQ(after.pointerToSymbolTable, grown.size() - image.appended.size() + 8);
    EXPECT_EQ(readU32(grown, after.sizeOfImageField()),
              alignUp(after.sections[3].virtualAddress + after.sections[3].virtualSize, 0x1000));
}

TEST(ResourceSectionEdit, SectionsThatCannotMoveKeepTheirPlace) {
    // Room for 0x900 bytes of resources in the file, a page in memory.
    ResourceList roomy = {resource(number(3), number(1), 0x409, std::string(0x8C0, 'r'))};
    struct Case {
        const char* what;
        void (*change)(std::string&);
        const char* blocker;
    };
    const Case cases[] = {
        {"not discardable", [](std::string& f) { writeU32(f, kSectionTable + 40 * 4 + 36, kData); },
         "'.reloc'"},
        {"holding the export directory",
         [](std::string& f) {
             writeU32(f, kOptionalHeader + 112, headersOf(f).sections[4].virtualAddress + 4);
             writeU32(f, kOptionalHeader + 116, 4);
         },
         "'.reloc'"},
        {"file data before the resources'",
         [](std::string& f) {
             // .data's file data moved after everything else.
             size_t entry = kSectionTable + 40 + 20;
             uint32_t old = readU32(f, entry);
             writeU32(f, entry, static_cast<uint32_t>(f.size()));
             f += f.substr(old, 0x200);
         },
         "'.data'"},
    };
    for (const Case& c : cases) {
        std::string original = build(launcherLike(roomy));
        c.change(original);
        PeImage before = headersOf(original);

        std::string fitted = edited(original, small());
        expectResources(fitted, small());
        PeImage after = headersOf(fitted);
        EXPECT_EQ(fitted.size(), original.size()) << c.what;
        EXPECT_EQ(after.sections[3].sizeOfRawData, before.sections[3].sizeOfRawData) << c.what;
        EXPECT_EQ(after.sections[4].virtualAddress, before.sections[4].virtualAddress) << c.what;
        EXPECT_EQ(fitted.substr(before.sections[4].pointerToRawData),
                  original.substr(before.sections[4].pointerToRawData))
            << c.what;

        std::string problem = refusal(original, large());
        EXPECT_NE(problem.find("need more room"), std::string::npos) << c.what << ": " << problem;
        EXPECT_NE(problem.find(c.blocker), std::string::npos) << c.what << ": " << problem;
    }
}

TEST(ResourceSectionEdit, RefusesWhatItCannotRewrite) {
    Image plain = launcherLike(small());
    std::string file = build(plain);
    struct Case {
        const char* what;
        std::string file;
        ResourceList resources;
        const char* problem;
    };
    std::string signedFile = file + std::string(16, 's');
    writeU32(signedFile, kOptionalHeader + 112 + 8 * kDirectoryCertificate,
             static_cast<uint32_t>(file.size()));
    writeU32(signedFile, kOptionalHeader + 112 + 8 * kDirectoryCertificate + 4, 16);
    std::string offStart = file;
    writeU32(offStart, kOptionalHeader + 112 + 8 * kDirectoryResource,
             sectionAddress(plain, 3) + 8);
    std::string sharing = file;
    writeU32(sharing, kOptionalHeader + 112 + 8 * 9, sectionAddress(plain, 3) + 0x10);  // TLS
    writeU32(sharing, kOptionalHeader + 112 + 8 * 9 + 4, 0x28);
    Image bare = plain;
    bare.resourceSection = -1;
    ResourceList twice = small();
    twice.push_back(twice.front());
    ResourceList huge = small();
    huge.push_back(resource(number(3), number(1), 0x409, std::string(kMaxLauncherFileSize, 'i')));

    const Case cases[] = {
        {"signed", signedFile, small(), "is signed"},
        {"resources inside a section", offStart, small(), "do not start a section"},
        {"another directory inside", sharing, small(), "also holds the TLS directory"},
        {"no resources", build(bare), small(), "has no resources"},
        {"one entry twice", file, twice, "same type, name and language"},
        {"larger than a launcher", file, huge, "larger than 64 MiB, more than any launcher"},
        {"not an executable", "plain text", small(), "not a Windows executable"},
    };
    for (const Case& c : cases) {
        std::string problem = refusal(c.file, c.resources);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
}

}  // namespace
}  // namespace trellane
