#include "config/block_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "config/block_format.h"
#include "config/block_writer.h"

namespace trellane {
namespace {

// A full area: the block, then underscores, then the area's NUL.
std::string areaWith(const std::string& block) {
    std::string area(kConfigAreaSize - 1, '_');
    area.replace(0, block.size(), block);
    area.push_back('\0');
    return area;
}

const char* parse(const std::string& area, LaunchConfig& config) {
    return parseLaunchConfig(reinterpret_cast<const unsigned char*>(area.data()), area.size(),
                             config);
}

LaunchConfig parsed(const std::string& block) {
    LaunchConfig config;
    const char* problem = parse(areaWith(block), config);
    EXPECT_EQ(problem, nullptr) << problem;
    return config;
}

using std::string_literals::operator""s;

TEST(BlockParser, FlagBits) {
    struct Case {
        unsigned char flags;
        bool useMainThread, isConsoleApp, setUpConsole, redirect;
    } cases[] = {
        {0x00, false, false, false, false}, {0x08, false, false, false, false},
        {0xE8, false, false, false, false}, {0x01, true, false, false, false},
        {0x02, false, true, false, false},  {0x04, false, false, true, false},
        {0x10, false, false, false, true},  {0x14, false, false, true, true},
        {0xFF, true, true, true, true},
    };
    for (const Case& c : cases) {
        LaunchConfig config = parsed(std::string(1, char(c.flags)) + "\0\0\0\0M\0\0\0\0"s);
        SCOPED_TRACE(int(c.flags));
        EXPECT_EQ(config.useMainThread, c.useMainThread);
        EXPECT_EQ(config.isConsoleApp, c.isConsoleApp);
        EXPECT_EQ(config.setUpConsole, c.setUpConsole);
        EXPECT_EQ(config.redirectAppDataVariables, c.redirect);
        // No flag bit, reserved ones included, switches single-instance mode on.
        EXPECT_FALSE(config.singleInstance);
    }
}

// Single-instance mode is the block's identity option, whatever the flags.
TEST(BlockParser, SingleInstanceIsTheIdentityOption) {
    struct Case {
        std::string options;
        bool singleInstance;
    } cases[] = {
        {"\2-Xmx1g\0-Dtrellane.singleInstance=Example.Editor\0"s, true},
        {"\1-Dtrellane.singleInstance=\0"s, true},
        {"\1-Dtrellane.singleInstance\0"s, false},
        {"\1-Dtrellane.singleInstanceX=y\0"s, false},
        {"\1-Xmx1g\0"s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        LaunchConfig config = parsed("\xFF\0\0\0\0M\0"s + c.options + "\0\0"s);
        EXPECT_EQ(config.singleInstance, c.singleInstance);
    }
}

TEST(BlockParser, StackSizeIsBigEndian) {
    struct Case {
        std::string bytes;
        uint32_t size;
    } cases[] = {
        {"\x00\x80\x00\x00"s, 0x800000},   {"\x00\x20\x00\x00"s, 0x200000},
        {"\x00\x00\x00\x00"s, 0},          {"\x80\x00\x00\x00"s, 0x80000000},
        {"\x00\x00\x00\xff"s, 0xff},       {"\xff\xff\xff\xff"s, 0xffffffff},
        {"\x01\x82\x83\x84"s, 0x01828384},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsed("\0"s + c.bytes + "M\0\0\0\0"s).launchThreadStackSize, c.size);
}

TEST(BlockParser, StringsAndLists) {
    LaunchConfig config = parsed(
        "\x02\0\0\0\0com.example.Main\0"
        "\x03-Xmx1g\0\0-Dq=\"a b\\c\"\0"
        "\x00"
        "\x02-Xmx\0\0"s);
    EXPECT_EQ(config.mainClassName, "com.example.Main");
    EXPECT_EQ(config.jvmOptions, (StringList{"-Xmx1g", "", "-Dq=\"a b\\c\""}));
    EXPECT_TRUE(config.defaultAppArguments.empty());
    EXPECT_EQ(config.allowedUserOptionPrefixes, (StringList{"-Xmx", ""}));
}

TEST(BlockParser, EmptyMainClassNameMovesTheFirstCountToOffsetSix) {
    LaunchConfig config = parsed(
        "\0\0\0\0\0\0\x01"
        "a\0\0\0"s);
    EXPECT_EQ(config.mainClassName, "");
    EXPECT_EQ(config.jvmOptions, StringList{"a"});
    EXPECT_TRUE(config.defaultAppArguments.empty());
}

TEST(BlockParser, ReadsAFullList) {
    std::string block = "\0\0\0\0\0M\0\xff"s;
    for (int i = 0; i < 255; ++i) block += "-Dn=" + std::to_string(i) + '\0';
    block += "\0\0"s;
    LaunchConfig config = parsed(block);
    ASSERT_EQ(config.jvmOptions.size(), 255u);
    EXPECT_EQ(config.jvmOptions[254], "-Dn=254");
}

TEST(BlockParser, IgnoresBytesAfterTheBlock) {
    std::string area = areaWith("\0\0\0\0\0M\0\0\0\0"s);
    area.replace(10, 5, "\x05zz\0\x7f"s);
    LaunchConfig config;
    EXPECT_EQ(parse(area, config), nullptr);
    EXPECT_TRUE(config.defaultAppArguments.empty());
}

TEST(BlockParser, BlockEndingOnTheAreaNul) {
    // Main class name long enough that the last count byte is the area's own NUL.
    std::string block = "\0\0\0\0\0"s + std::string(kConfigAreaSize - 9, 'c') + "\0\0\0"s;
    std::string area = block + '\0';
    ASSERT_EQ(area.size(), kConfigAreaSize);
    LaunchConfig config;
    EXPECT_EQ(parse(area, config), nullptr);
    EXPECT_EQ(config.mainClassName.size(), kConfigAreaSize - 9);
}

TEST(BlockParser, RefusesWhatItCannotReadSafely) {
    const char* notStamped =
        "This launcher has no launch configuration: stamp it with trellane-stamp first.";
    const char* damaged =
        "The launch configuration of this launcher is damaged: it runs past the end of its area.";
    struct Case {
        std::string area;
        const char* problem;
    } cases[] = {
        {areaWith(""), notStamped},
        // A count that claims more strings than the area holds.
        {"\0\0\0\0\0M\0\xff" + std::string(kConfigAreaSize - 9, 'x') + '\0', damaged},
        // A main class name with no terminator before the end of the area.
        {std::string(5, '\0') + std::string(kConfigAreaSize - 5, 'x'), damaged},
        // The second list's count would be the byte after the area.
        {"\0\0\0\0\0"s + std::string(kConfigAreaSize - 8, 'c') + "\0\0\0"s, damaged},
    };
    for (const Case& c : cases) {
        LaunchConfig config;
        const char* problem = parse(c.area, config);
        ASSERT_NE(problem, nullptr);
        EXPECT_STREQ(problem, c.problem);
    }
}

}  // namespace
}  // namespace trellane
