#include "exe/resource_tree_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "exe/byte_access.h"
#include "pe_fixture.h"

namespace trellane {
namespace {

using namespace fixture;

bool sameResources(const ResourceList& a, const ResourceList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Resource& x, const Resource& y) {
                          return x.type == y.type && x.name == y.name && x.language == y.language &&
                                 x.codePage == y.codePage && x.data == y.data;
                      });
}

bool read(const std::string& file, ResourceList& resources, std::string& problem) {
    PeImage image;
    return readPeImage(file, image, problem) && readResources(file, image, resources, problem);
}

TEST(ResourceTreeReader, ReadsNamedAndNumberedEntriesInTheLoadersOrder) {
    Resource withCodePage = resource(number(16), number(1), 0x409, "version");
    withCodePage.codePage = 1252;
    // Given out of order: the section is written in the order the loader searches, named
    // entries first by code units, then numbers ascending, and read back that way.
    ResourceList given = {
        resource(number(24), number(1), 0x409, "<assembly/>"),
        resource(named(u"MYTYPE"), number(7), 0, "seven"),
        resource(number(3), number(2), 0x409, std::string(300, '\x89')),
        resource(named(u"MYTYPE"), named(u"BETA"), 0, ""),
        resource(number(3), number(1), 0x407, "de"),
        resource(named(u"MYTYPE"), named(u"ALPHA"), 0, "alpha"),
        resource(named(u"Zo\u00EB"), number(1), 0, "non-ASCII name"),
        resource(number(3), number(1), 0x409, "en"),
        withCodePage,
    };
    ResourceList sorted = given;
    std::sort(sorted.begin(), sorted.end(), resourceOrder);
    EXPECT_EQ(sorted.front().type, named(u"MYTYPE"));
    EXPECT_EQ(sorted[1].name, named(u"BETA"));
    EXPECT_EQ(sorted[2].name, number(7));

    ResourceList got;
    std::string problem;
    ASSERT_TRUE(read(build(launcherLike(given)), got, problem)) << problem;
    EXPECT_TRUE(sameResources(got, sorted));
}

TEST(ResourceTreeReader, AnImageWithoutResourcesSaysSo) {
    Image image = launcherLike({});
    image.resourceSection = -1;
    ResourceList got;
    std::string problem;
    EXPECT_FALSE(read(build(image), got, problem));
    EXPECT_EQ(problem, "has no resources (no resource section)");
}

// Offsets in the section the writer lays out for one type with one name in two languages:
// the root at 0, the type's directory at 24, the name's at 48 (two entries), the data
// entries at 80 and 96, the data from 112.
constexpr size_t kRootEntry = 16, kTypeEntry = 40, kLanguageEntries = 64, kDataEntries = 80,
                 kData = 112;

struct Damage {
    const char* what;
    std::function<void(std::string& file, size_t section)> apply;
    const char* problem;
};

TEST(ResourceTreeReader, RefusesADamagedOrHostileTree) {
    const Damage cases[] = {
        {"a subdirectory outside the section",
         [](std::string& f, size_t s) { writeU32(f, s + kRootEntry + 4, 0x8000FFF0); },
         "lies outside the resource section"},
        {"a loop back to the root",
         [](std::string& f, size_t s) { writeU32(f, s + kTypeEntry + 4, 0x80000000); },
         "reaches one directory twice"},
        {"a directory pointing at itself",
         [](std::string& f, size_t s) { writeU32(f, s + kTypeEntry + 4, 0x80000018); },
         "reaches one directory twice"},
        {"more entries than the section holds",
         [](std::string& f, size_t s) { writeU16(f, s + 14, 0xFFFF); }, "entries run past"},
        {"data where a directory belongs",
         [](std::string& f, size_t s) { writeU32(f, s + kTypeEntry + 4, kDataEntries); },
         "not three levels deep"},
        {"a directory where data belongs",
         [](std::string& f, size_t s) {
             writeU32(f, s + kLanguageEntries + 4, 0x80000000 | kDataEntries);
         },
         "not three levels deep"},
        {"a number over 16 bits",
         [](std::string& f, size_t s) { writeU32(f, s + kRootEntry, 0x10003); }, "over 16 bits"},
        {"a name outside the section",
         [](std::string& f, size_t s) { writeU32(f, s + kRootEntry, 0x8000FFFE); },
         "name lies outside"},
        {"an empty name",  // the directory's time stamp, 0, read as a length
         [](std::string& f, size_t s) { writeU32(f, s + kRootEntry, 0x80000004); },
         "name is empty"},
        {"a name longer than the section",
         [](std::string& f, size_t s) {
             writeU16(f, s + kData, 0xFFFF);
             writeU32(f, s + kRootEntry, 0x80000000 | kData);
         },
         "name runs past"},
        {"a named language",
         [](std::string& f, size_t s) { writeU32(f, s + kLanguageEntries, 0x80000000 | kData); },
         "language entry has a name"},
        {"one language twice",
         [](std::string& f, size_t s) {
             writeU32(f, s + kLanguageEntries + 8, readU32(f, s + kLanguageEntries));
         },
         "lists one entry twice"},
        {"a data entry outside the section",
         [](std::string& f, size_t s) { writeU32(f, s + kLanguageEntries + 4, 0xFFF8); },
         "data entry lies outside"},
        {"data outside every section",
         [](std::string& f, size_t s) { writeU32(f, s + kDataEntries, 0x7FFFFFF0); },
         "outside the file's sections"},
        {"data running past its section",
         [](std::string& f, size_t s) { writeU32(f, s + kDataEntries + 4, 0xFFFFFFF0); },
         "outside the file's sections"},
        {"two entries claiming a whole large section each",
         [](std::string& f, size_t s) {
             for (size_t entry : {kDataEntries, kDataEntries + 16}) {
                 writeU32(f, s + entry, 0x1000);  // .text, 3/4 of the file
                 writeU32(f, s + entry + 4, 0x3000);
             }
         },
         "claim more data than the file holds"},
    };
    for (const Damage& damage : cases) {
        Image image = launcherLike({resource(number(3), number(1), 0x407, "de"),
                                    resource(number(3), number(1), 0x409, "en")});
        image.sections[0].data.assign(0x3000, '\xC3');
        std::string file = build(image);
        PeImage headers;
        std::string problem;
        ASSERT_TRUE(readPeImage(file, headers, problem)) << problem;
        damage.apply(file, headers.sections[3].pointerToRawData);
        ResourceList got;
        EXPECT_FALSE(readResources(file, headers, got, problem)) << damage.what;
        EXPECT_NE(problem.find(damage.problem), std::string::npos)
            << damage.what << ": " << problem;
    }
}

TEST(ResourceTreeReader, TwoTypesSharingOneSubtreeAreRefused) {
    // Shared subtrees would let a small file list an enormous number of resources.
    std::string file = build(launcherLike(
        {resource(number(3), number(1), 0x409, "a"), resource(number(14), number(1), 0x409, "b")}));
    PeImage image;
    std::string problem;
    ASSERT_TRUE(readPeImage(file, image, problem)) << problem;
    size_t root = image.sections[3].pointerToRawData;
    writeU32(file, root + 16 + 8 + 4, readU32(file, root + 16 + 4));
    ResourceList got;
    EXPECT_FALSE(readResources(file, image, got, problem));
    EXPECT_NE(problem.find("reaches one directory twice"), std::string::npos) << problem;
}

}  // namespace
}  // namespace trellane
