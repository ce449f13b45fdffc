#include "common/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace trellane {
namespace {

TEST(ReadRegularFile, ReadsOnlyASmallRegularFileAndNeverWaits) {
    char folder[] = "/tmp/trellane-regular-file-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string base = folder;
    std::FILE* file = std::fopen((base + "/small").c_str(), "wb");
    std::fputs("password\n", file);
    std::fclose(file);
    ASSERT_EQ(mkfifo((base + "/fifo").c_str(), 0600), 0);

    std::string text, problem;
    EXPECT_TRUE(readRegularFile(base + "/small", 9, text, problem)) << problem;
    EXPECT_EQ(text, "password\n");
    const std::pair<std::string, const char*> refused[] = {
        {base + "/fifo", "not a regular file"},  // opening it would wait for a writer
        {base, "not a regular file"},
        {"/dev/zero", "not a regular file"},  // reading it would never end
        {base + "/missing", "No such file or directory"},
    };
    for (const auto& [path, why] : refused) {
        EXPECT_FALSE(readRegularFile(path, 1024, text, problem)) << path;
        EXPECT_EQ(problem, why) << path;
    }
    EXPECT_FALSE(readRegularFile(base + "/small", 8, text, problem));
    EXPECT_EQ(problem, "larger than 8 bytes");

    unlink((base + "/small").c_str());
    unlink((base + "/fifo").c_str());
    rmdir(folder);
}

}  // namespace
}  // namespace trellane
