#include "common/argument_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace trellane {
namespace {

using Arguments = std::vector<std::string>;

TEST(SplitArgumentLine, SplitsAtBlanksAndGroupsQuotedText) {
    struct Case {
        const char* line;
        Arguments arguments;
    } cases[] = {
        {"--input build/libs", {"--input", "build/libs"}},
        {"  --name\tMy  ", {"--name", "My"}},
        {"--java-options \"-Dapp.title=My App\"", {"--java-options", "-Dapp.title=My App"}},
        {"-Dx=\"a b\"c", {"-Dx=a bc"}},
        {"'say \"hi\"' \"it's\"", {"say \"hi\"", "it's"}},
        {"--arguments \"\"", {"--arguments", ""}},
        {"C:\\Program Files\\x", {"C:\\Program", "Files\\x"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        Arguments arguments;
        EXPECT_TRUE(splitArgumentLine(c.line, arguments)) << c.line;
        EXPECT_EQ(arguments, c.arguments) << c.line;
    }
}

TEST(SplitArgumentLine, AnUnclosedQuoteIsAnError) {
    for (const char* line : {"--name \"My App", "'", "a\"b"}) {
        Arguments arguments;
        EXPECT_FALSE(splitArgumentLine(line, arguments)) << line;
    }
}

class ArgumentFileTest : public ::testing::Test {
  protected:
    std::string path = "/tmp/trellane-argument-file-XXXXXX";

    void SetUp() override { close(mkstemp(&path[0])); }
    void TearDown() override { unlink(path.c_str()); }

    void write(const std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
};

TEST_F(ArgumentFileTest, TakesTheFilesArgumentsInPlaceOfIt) {
    write(
        "# the sample\r\n--input build\r\n\n   # indented comment\n--java-options -Xmx1g\n"
        "@literal\n--name \"Hello App\"");
    Arguments expanded = expandArgumentFiles({"--quiet", "@" + path, "--overwrite"});
    EXPECT_EQ(expanded, (Arguments{"--quiet", "--input", "build", "--java-options", "-Xmx1g",
                                   "@literal", "--name", "Hello App", "--overwrite"}));
}

TEST_F(ArgumentFileTest, AMissingFileOrAnUnclosedQuoteIsRefused) {
    EXPECT_EXIT(expandArgumentFiles({"@/nonexistent/args"}), ::testing::ExitedWithCode(1),
                "cannot read the argument file @/nonexistent/args: No such file or directory");
    // A FIFO would hold the command until someone writes to it.
    std::string fifo = path + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EXIT(expandArgumentFiles({"@" + fifo}), ::testing::ExitedWithCode(1),
                "cannot read the argument file @" + fifo + ": not a regular file");
    unlink(fifo.c_str());
    write("--input build\n--name \"Hello\n");
    EXPECT_EXIT(expandArgumentFiles({"@" + path}), ::testing::ExitedWithCode(2),
                ":2: a quote is not closed");
}

}  // namespace
}  // namespace trellane
