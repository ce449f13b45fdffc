// The Linux file search and system directory, on a real temporary directory.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "options/wildcard_expansion.h"
#include "platform/platform.h"

namespace trellane {
namespace {

using Listing = std::vector<std::pair<std::string, bool>>;  // name, is a directory

class PosixFileSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/trellane-search-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        for (const char* file : {"a.jar", "b.jar", "notes.txt", ".hidden.jar", "x.jarx", "A.JAR",
                                 "\xc3\xa9.jar", "sub.jar/"})
            make(file);
        make("sub/");
        make("sub/inner.jar");
        ASSERT_EQ(symlink("sub", (root + "/linkdir").c_str()), 0);
        ASSERT_EQ(symlink("a.jar", (root + "/link.jar").c_str()), 0);
        ASSERT_EQ(symlink("missing", (root + "/dangling.jar").c_str()), 0);
    }
    void TearDown() override {
        std::string command = "rm -rf '" + root + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    void make(const std::string& name) {
        const std::string path = root + "/" + name;
        if (name.back() == '/') {
            ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path;
        } else {
            FILE* file = std::fopen(path.c_str(), "w");
            ASSERT_NE(file, nullptr) << path;
            std::fclose(file);
        }
    }

    // Every result of one search, sorted: the order is the directory's own.
    Listing search(const std::string& pattern) {
        const OptionPrimitives& primitives = platform::optionPrimitives();
        Listing listing;
        FoundFile found;
        void* handle = primitives.findFirstFile(pattern.c_str(), &found);
        if (handle == nullptr) return listing;
        do {
            listing.push_back({found.name, (found.attributes & kFileAttributeDirectory) != 0});
        } while (primitives.findNextFile(handle, &found));
        primitives.findClose(handle);
        std::sort(listing.begin(), listing.end());
        return listing;
    }

    std::string root;
};

TEST_F(PosixFileSearch, MatchesTheLastComponent) {
    EXPECT_EQ(search(root + "/*.jar"), (Listing{{".hidden.jar", false},
                                                {"a.jar", false},
                                                {"b.jar", false},
                                                {"dangling.jar", false},
                                                {"link.jar", false},
                                                {"sub.jar", true},
                                                {"\xc3\xa9.jar", false}}));
    EXPECT_EQ(search(root + "/*"), (Listing{{".", true},
                                            {"..", true},
                                            {".hidden.jar", false},
                                            {"A.JAR", false},
                                            {"a.jar", false},
                                            {"b.jar", false},
                                            {"dangling.jar", false},
                                            {"link.jar", false},
                                            {"linkdir", true},
                                            {"notes.txt", false},
                                            {"sub", true},
                                            {"sub.jar", true},
                                            {"x.jarx", false},
                                            {"\xc3\xa9.jar", false}}));
    EXPECT_EQ(search(root + "/?.jar"),
              (Listing{{"a.jar", false}, {"b.jar", false}, {"\xc3\xa9.jar", false}}));
    EXPECT_EQ(search(root + "/a*"), (Listing{{"a.jar", false}}));
    EXPECT_EQ(search(root + "/*.t*t"), (Listing{{"notes.txt", false}}));
    EXPECT_EQ(search(root + "/sub/*.jar"), (Listing{{"inner.jar", false}}));
    EXPECT_EQ(search(root + "/linkdir/*.jar"), (Listing{{"inner.jar", false}}));
}

TEST_F(PosixFileSearch, SearchesThatCannotStart) {
    for (const std::string& pattern :
         {root + "/*.war", root + "/missing/*", root + "/a.jar/*", root + "/*/inner.jar",
          root + "/", std::string("/nonexistent-trellane/*")})
        EXPECT_EQ(search(pattern), Listing{}) << pattern;
}

TEST_F(PosixFileSearch, RelativePatternSearchesTheCurrentDirectory) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir((root + "/sub").c_str()), 0);
    Listing listing = search("*.jar");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(listing, (Listing{{"inner.jar", false}}));
}

// The whole expansion over the real directory: files only, ".." and other directories left
// out.
TEST_F(PosixFileSearch, ClassPathExpansion) {
    std::string option = "-Djava.class.path=" + root + "/sub/*:" + root + "/?.*";
    expandClassPathWildcards(option, platform::pathConventions(), platform::optionPrimitives());
    const std::string list = option.substr(18);
    std::set<std::string> entries;
    for (size_t at = 0; at <= list.size();) {
        size_t end = std::min(list.find(':', at), list.size());
        entries.insert(list.substr(at, end - at));
        at = end + 1;
    }
    EXPECT_EQ(entries,
              (std::set<std::string>{root + "/sub/inner.jar", root + "/a.jar", root + "/b.jar",
                                     root + "/A.JAR", root + "/x.jarx", root + "/\xc3\xa9.jar"}));
}

TEST(PosixSystemDirectory, LibraryDirectoryWithTheWindowsContract) {
    uint32_t (*query)(char*, uint32_t) = platform::optionPrimitives().getSystemDirectory;
    char big[4096];
    const uint32_t length = query(big, sizeof big);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof big);
    const std::string directory(big, length);
    EXPECT_EQ(big[length], '\0');
    EXPECT_EQ(directory[0], '/');
    struct stat status;
    EXPECT_EQ(stat(directory.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode)) << directory;

    char small[4];
    EXPECT_EQ(query(small, sizeof small), length + 1);
    char exact[4096];
    EXPECT_EQ(query(exact, length), length + 1);
    EXPECT_EQ(query(exact, length + 1), length);
    EXPECT_EQ(std::string(exact), directory);
}

}  // namespace
}  // namespace trellane
