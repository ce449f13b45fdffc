#include "config/block_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "config/block_format.h"
#include "config/block_parser.h"

namespace trellane {
namespace {

using std::string_literals::operator""s;

// The area as trellane-stamp leaves it: the block, the built area's remaining underscores,
// and its final NUL (overwritten by the block's own last byte when the block fills it).
std::string stampedArea(const std::string& block) {
    std::string area(kConfigAreaSize - 1, '_');
    area.push_back('\0');
    area.replace(0, block.size(), block);
    return area;
}

std::string written(const LaunchConfig& config) {
    std::string block, problem;
    EXPECT_TRUE(writeBlock(config, block, problem)) << problem;
    return block;
}

void expectSame(const LaunchConfig& got, const LaunchConfig& want) {
    EXPECT_EQ(got.useMainThread, want.useMainThread);
    EXPECT_EQ(got.isConsoleApp, want.isConsoleApp);
    EXPECT_EQ(got.setUpConsole, want.setUpConsole);
    EXPECT_EQ(got.redirectAppDataVariables, want.redirectAppDataVariables);
    EXPECT_EQ(got.launchThreadStackSize, want.launchThreadStackSize);
    EXPECT_EQ(got.mainClassName, want.mainClassName);
    EXPECT_EQ(got.jvmOptions, want.jvmOptions);
    EXPECT_EQ(got.defaultAppArguments, want.defaultAppArguments);
    EXPECT_EQ(got.allowedUserOptionPrefixes, want.allowedUserOptionPrefixes);
}

StringList numbered(const std::string& prefix, int count) {
    StringList list;
    for (int i = 0; i < count; ++i) list.push_back(prefix + std::to_string(i));
    return list;
}

LaunchConfig withFlags(bool main, bool console, bool setUp, bool redirect) {
    LaunchConfig config;
    config.useMainThread = main;
    config.isConsoleApp = console;
    config.setUpConsole = setUp;
    config.redirectAppDataVariables = redirect;
    config.mainClassName = "M";
    return config;
}

LaunchConfig withStackSize(uint32_t size) {
    LaunchConfig config;
    config.launchThreadStackSize = size;
    return config;
}

LaunchConfig withLists(std::string name, StringList options, StringList arguments,
                       StringList prefixes) {
    LaunchConfig config;
    config.mainClassName = std::move(name);
    config.jvmOptions = std::move(options);
    config.defaultAppArguments = std::move(arguments);
    config.allowedUserOptionPrefixes = std::move(prefixes);
    return config;
}

TEST(BlockWriter, ParserReadsBackWhatItWrites) {
    const LaunchConfig cases[] = {
        withFlags(false, false, false, false),
        withFlags(true, false, false, false),
        withFlags(false, true, false, false),
        withFlags(false, false, true, false),
        withFlags(false, false, false, true),
        withFlags(true, true, true, true),
        withStackSize(0),
        withStackSize(0x200000),
        withStackSize(0x80818283),
        withStackSize(0xFFFFFFFF),
        withLists("", {}, {}, {}),
        withLists("", {"", ""}, {""}, {"", "-Xmx"}),
        withLists("com.example.Main", numbered("-Dn=", 255), numbered("arg", 255),
                  numbered("-X", 255)),
        withLists("a b", {"-Dq=\"a b\\c\"", " ", "\\\\server\\share\\*"}, {"'x'", "\t"}, {}),
        withLists("dé.Ünïcode", {"-Dname=日本語", "-Demoji=\xF0\x9F\x98\x80"}, {"ü"}, {"-Dé"}),
        withLists("M", {"\x7F\x01\xFF"}, {}, {}),
    };
    for (const LaunchConfig& want : cases) {
        std::string area = stampedArea(written(want));
        LaunchConfig got;
        const char* problem = parseLaunchConfig(reinterpret_cast<const unsigned char*>(area.data()),
                                                area.size(), got);
        ASSERT_EQ(problem, nullptr) << problem;
        SCOPED_TRACE(want.mainClassName);
        expectSame(got, want);
    }
}

TEST(BlockWriter, WritesTheDocumentedBytes) {
    // docs/block-format.md's worked example.
    LaunchConfig config = withLists("app.Main", {"-Xmx1g"}, {}, {"-Xss"});
    config.isConsoleApp = true;
    config.redirectAppDataVariables = true;
    config.launchThreadStackSize = 1024 * 1024;
    EXPECT_EQ(written(config),
              "\x12"
              "\x00\x10\x00\x00"
              "app.Main\0"
              "\x01-Xmx1g\0"
              "\x00"
              "\x01-Xss\0"s);
}

TEST(BlockWriter, RefusesWhatTheFormatCannotHold) {
    LaunchConfig tooManyOptions = withLists("M", numbered("-D", 256), {}, {});
    LaunchConfig tooManyArguments = withLists("M", {}, numbered("a", 256), {});
    LaunchConfig tooManyPrefixes = withLists("M", {}, {}, numbered("-X", 256));
    LaunchConfig nulInName = withLists("com\0Main"s, {}, {}, {});
    LaunchConfig nulInEntry = withLists("M", {"-Xmx1g", "-Da=\0b"s}, {}, {});
    LaunchConfig nulInLastList = withLists("M", {}, {}, {"\0"s});
    struct Case {
        const LaunchConfig& config;
        const char* problem;
    } cases[] = {
        {tooManyOptions, "jvmOptions has 256 entries; a list holds at most 255"},
        {tooManyArguments, "defaultAppArguments has 256 entries; a list holds at most 255"},
        {tooManyPrefixes, "allowedUserOptionPrefixes has 256 entries; a list holds at most 255"},
        {nulInName, "mainClassName holds a NUL byte, which the block cannot store"},
        {nulInEntry, "jvmOptions entry 2 holds a NUL byte, which the block cannot store"},
        {nulInLastList,
         "allowedUserOptionPrefixes entry 1 holds a NUL byte, which the block cannot store"},
    };
    for (const Case& c : cases) {
        std::string block = "stale", problem;
        EXPECT_FALSE(writeBlock(c.config, block, problem));
        EXPECT_EQ(problem, c.problem);
    }
}

TEST(BlockWriter, BlockMayFillTheAreaExactly) {
    // Flag byte, stack size, three counts and the name's NUL: 9 bytes around the name.
    LaunchConfig fits = withLists(std::string(kConfigAreaSize - 9, 'c'), {}, {}, {});
    std::string block = written(fits);
    ASSERT_EQ(block.size(), kConfigAreaSize);
    LaunchConfig got;
    ASSERT_EQ(
        parseLaunchConfig(reinterpret_cast<const unsigned char*>(block.data()), block.size(), got),
        nullptr);
    expectSame(got, fits);

    // A one-letter name and one option of n bytes take n + 11.
    LaunchConfig oneOver = withLists("M", {std::string(kConfigAreaSize - 10, 'o')}, {}, {});
    std::string problem;
    EXPECT_FALSE(writeBlock(oneOver, block, problem));
    EXPECT_EQ(problem, "the block takes 16465 bytes; the configuration area holds 16464");
}

}  // namespace
}  // namespace trellane
