#include "options/wildcard_expansion.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace trellane {
namespace {

const PathConventions kWindows{'\\', ';', "USERPROFILE"};
const PathConventions kLinux{'/', ':', "HOME"};

constexpr uint32_t kDir = kFileAttributeDirectory;
constexpr uint32_t kFile = 0x20;  // FILE_ATTRIBUTE_ARCHIVE: a plain file

// A scripted file search: each pattern has the listing the platform would deliver, in that
// order; a pattern without one cannot start. Records every pattern and checks that each
// search is closed exactly once.
std::map<std::string, std::vector<FoundFile>> listings;
std::vector<std::string> searched;
int openSearches = 0;

struct FakeSearch {
    const std::vector<FoundFile>* listing;
    size_t next;
};

void* fakeFindFirst(const char* pattern, FoundFile* found) {
    searched.push_back(pattern);
    auto it = listings.find(pattern);
    if (it == listings.end() || it->second.empty()) return nullptr;
    *found = it->second[0];
    ++openSearches;
    return new FakeSearch{&it->second, 1};
}

bool fakeFindNext(void* handle, FoundFile* found) {
    auto* search = static_cast<FakeSearch*>(handle);
    if (search->next == search->listing->size()) return false;
    *found = (*search->listing)[search->next++];
    return true;
}

void fakeFindClose(void* handle) {
    --openSearches;
    delete static_cast<FakeSearch*>(handle);
}

const OptionPrimitives kFake{nullptr, nullptr, fakeFindFirst, fakeFindNext, fakeFindClose};

class ExpandClassPathWildcards : public ::testing::Test {
  protected:
    void SetUp() override {
        // Directory X of the examples, delivered as the platform orders it, with the
        // directory's own entries where a search would report them.
        const std::vector<FoundFile> all = {{kDir, "."},          {kDir, ".."},
                                            {kFile, "a.jar"},     {kFile, "b.jar"},
                                            {kFile, "notes.txt"}, {kDir, "sub"}};
        listings = {
            {"X/*.jar", {{kFile, "a.jar"}, {kFile, "b.jar"}}},
            {"X/*", all},
            {"X\\*", all},
            {"X/a*", {{kFile, "a.jar"}}},
            {"*", all},
            {"X/sub*", {{kDir, "sub"}}},
            {"X/*.JAR", {}},
            {"Z/*", {{kFile, "z2.jar"}, {kDir, "."}, {kFile, "z1.jar"}, {kDir, ".."}}},
        };
        searched.clear();
        openSearches = 0;
    }
    void TearDown() override { EXPECT_EQ(openSearches, 0); }

    std::string expanded(std::string option, const PathConventions& conventions = kWindows) {
        expandClassPathWildcards(option, conventions, kFake);
        return option;
    }
};

TEST_F(ExpandClassPathWildcards, EntryContributions) {
    struct Case {
        const char* entry;
        const char* contribution;
    } cases[] = {
        {"X/*.jar", "X/a.jar;X/b.jar"},
        {"X/*", "X/a.jar;X/b.jar;X/notes.txt"},
        {"X\\*", "X\\a.jar;X\\b.jar;X\\notes.txt"},
        {"X/a*", "X/a.jar"},
        {"*", "./a.jar;./b.jar;./notes.txt"},
        {"*.jar", "*.jar"},
        {"X/*.JAR", "X/*.JAR"},
        {"X/", "X/"},
        {"X", "X"},
        {"Y/*", "Y/*"},
        {"X/sub*", "X/sub*"},
        {"X/*/a.jar", "X/*/a.jar"},
        {"Z/*", "Z/z2.jar;Z/z1.jar"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expanded(std::string("-cp ") + c.entry), std::string("-cp ") + c.contribution)
            << c.entry;
}

TEST_F(ExpandClassPathWildcards, OnlyWildcardEntriesAreSearched) {
    expanded("-Djava.class.path=X;X/;*.jar;X/*/a.jar;X/a.jar;Y/*;X/*.jar");
    EXPECT_EQ(searched, (std::vector<std::string>{"Y/*", "X/*.jar"}));
    searched.clear();
    expanded("-Dno.class.path=X/*;-classpath=X/*");
    EXPECT_TRUE(searched.empty());
}

TEST_F(ExpandClassPathWildcards, KeyPriorityAndPosition) {
    struct Case {
        const char* option;
        const char* expected;
    } cases[] = {
        {"-cp X/*.jar -Djava.class.path=X/a*", "-cp X/*.jar -Djava.class.path=X/a.jar"},
        {"-classpath X/a* -cp X/*.jar", "-classpath X/a* -cp X/a.jar;X/b.jar"},
        {"-classpath X/a*", "-classpath X/a.jar"},
        {"-classpath=X/a*", "-classpath=X/a*"},
        {"-Dsun.java.command=Main -v -cp X/*.jar",
         "-Dsun.java.command=Main -v -cp X/a.jar;X/b.jar"},
        {"-Djava.class.path=X/a*;-cp X/a*", "-Djava.class.path=X/a.jar;-cp X/a*"},
        {"-Dx=1", "-Dx=1"},
    };
    for (const auto& c : cases) EXPECT_EQ(expanded(c.option), c.expected) << c.option;
}

TEST_F(ExpandClassPathWildcards, EmptyEntries) {
    struct Case {
        const char* list;
        const char* expected;
    } cases[] = {
        {"", ""},
        {";", ""},
        {"A;B;", "A;B"},
        {";A", "A"},
        {"A;;B", "A;;B"},
        {"A;;", "A;"},
        {";;A;;", "A;"},
        {"Y/*;;A", "Y/*;;A"},
        {"X/a*;", "X/a.jar"},
        {";X/a*;;B", "X/a.jar;;B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expanded(std::string("-cp ") + c.list), std::string("-cp ") + c.expected)
            << c.list;
}

// On Linux the list separator is ':' and only '/' separates directories.
TEST_F(ExpandClassPathWildcards, LinuxConventions) {
    listings["/opt/app/lib/*"] = {{kFile, "a.jar"}, {kDir, "."}, {kFile, "b.jar"}};
    listings["dir\\*"] = {{kFile, "c.jar"}};
    EXPECT_EQ(expanded("-Djava.class.path=/opt/app/lib/*::A;B:dir\\*:", kLinux),
              "-Djava.class.path=/opt/app/lib/a.jar:/opt/app/lib/b.jar::A;B:./c.jar");
}

TEST_F(ExpandClassPathWildcards, MixedSeparatorsTakeTheLastOne) {
    listings["C:\\a/b\\*.jar"] = {{kFile, "x.jar"}};
    listings["C:\\a\\b/*.jar"] = {{kFile, "y.jar"}};
    EXPECT_EQ(expanded("-cp C:\\a/b\\*.jar;C:\\a\\b/*.jar"), "-cp C:\\a/b\\x.jar;C:\\a\\b/y.jar");
}

TEST_F(ExpandClassPathWildcards, TenThousandJars) {
    std::vector<FoundFile>& listing = listings["lib/*.jar"];
    std::string expected = "-cp main.jar";
    for (int i = 0; i < 10000; ++i) {
        listing.push_back({kFile, "lib" + std::to_string(i) + ".jar"});
        expected += ";lib/lib" + std::to_string(i) + ".jar";
    }
    EXPECT_EQ(expanded("-cp main.jar;lib/*.jar"), expected);
}

}  // namespace
}  // namespace trellane
