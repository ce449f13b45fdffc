#include "brand/version_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace trellane {
namespace {

VersionStrings sample() {
    return VersionStrings{"Zoë's App", "Zoë's App",      "Zoë Ltd",       "1.2.0.0",
                          "1.2.0.0",   "© 2024 Zoë Ltd", "Zoë's App.exe", "Zoë's App.exe"};
}

std::string written(const VersionStrings& strings) {
    std::string data, problem;
    EXPECT_TRUE(writeVersionInfo(strings, data, problem)) << problem;
    return data;
}

uint16_t word(const std::string& data, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(data[at]) |
                                 static_cast<unsigned char>(data[at + 1]) << 8);
}

std::string utf16(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

TEST(VersionInfoTest, LaysOutTheBlocksAsWindowsReadsThem) {
    std::string data = written(sample());
    EXPECT_EQ(word(data, 0), data.size()) << "the root's length is the whole resource";
    EXPECT_EQ(word(data, 2), 52) << "VS_FIXEDFILEINFO";
    EXPECT_EQ(data.substr(6, 32), utf16(u"VS_VERSION_INFO") + std::string(2, '\0'));
    // The fixed part at 40 (after the key and its padding): signature, structure version,
    // versions all zero, flags mask 0x3F, VOS_NT_WINDOWS32, VFT_APP.
    EXPECT_EQ(data.substr(40, 52), std::string("\xBD\x04\xEF\xFE\x00\x00\x01\x00", 8) +
                                       std::string(16, '\0') +
                                       std::string("\x3F\0\0\0\0\0\0\0\x04\0\x04\0\x01\0\0\0", 16) +
                                       std::string(12, '\0'));

    // "CompanyName": a text block whose value length counts its characters and the zero.
    size_t key = data.find(utf16(u"CompanyName"));
    ASSERT_NE(key, std::string::npos);
    size_t block = key - 6;
    EXPECT_EQ(block % 4, 0u);
    EXPECT_EQ(word(data, block + 2), 8) << "\"Zoë Ltd\" and its zero";
    EXPECT_EQ(word(data, block + 4), 1) << "text";
    size_t value = (key + 24 + 3) & ~size_t(3);
    EXPECT_EQ(data.substr(value, 16), utf16(u"Zo\u00EB Ltd") + std::string(2, '\0'));
    EXPECT_EQ(word(data, block), value + 16 - block) << "no trailing padding counted";

    // The translation ends the resource: English (United States), Windows-1252.
    EXPECT_EQ(data.substr(data.size() - 4), std::string("\x09\x04\xE4\x04", 4));
    EXPECT_NE(data.find(utf16(u"040904E4")), std::string::npos);
}

TEST(VersionInfoTest, KeepsTheEightStringsInTheirOrder) {
    std::string data = written(sample());
    size_t previous = 0;
    for (const char16_t* key :
         {u"ProductName", u"FileDescription", u"CompanyName", u"FileVersion", u"ProductVersion",
          u"LegalCopyright", u"InternalName", u"OriginalFileName"}) {
        size_t at = data.find(utf16(key));
        ASSERT_NE(at, std::string::npos);
        EXPECT_GT(at, previous);
        previous = at;
    }
}

TEST(VersionInfoTest, ReadsBackWhatItWrote) {
    VersionStrings read;
    ASSERT_TRUE(readVersionStrings(written(sample()), read));
    VersionStrings want = sample();
    for (auto field : {&VersionStrings::productName, &VersionStrings::fileDescription,
                       &VersionStrings::companyName, &VersionStrings::fileVersion,
                       &VersionStrings::productVersion, &VersionStrings::legalCopyright,
                       &VersionStrings::internalName, &VersionStrings::originalFileName})
        EXPECT_EQ(read.*field, want.*field);
}

TEST(VersionInfoTest, RefusesStringsTooLongForItsLengthFields) {
    VersionStrings strings = sample();
    strings.legalCopyright = std::string(33000, 'c');
    std::string data, problem;
    EXPECT_FALSE(writeVersionInfo(strings, data, problem));
    EXPECT_NE(problem.find("more than the 65535"), std::string::npos) << problem;
    strings.legalCopyright = std::string(32000, 'c');
    EXPECT_TRUE(writeVersionInfo(strings, data, problem)) << problem;
    EXPECT_LE(data.size(), 65535u);
}

TEST(VersionInfoTest, RefusesStringsThatAreNotUtf8) {
    VersionStrings strings = sample();
    strings.companyName = "Zo\xEB";
    std::string data, problem;
    EXPECT_FALSE(writeVersionInfo(strings, data, problem));
    EXPECT_EQ(problem, "CompanyName is not valid UTF-8");
}

TEST(VersionInfoTest, ReadsNothingFromBlocksThatDoNotFit) {
    std::string good = written(sample());
    std::string longerRoot = good, longerChild = good, noKeyEnd = good;
    longerRoot[0] = static_cast<char>((good.size() + 2) & 0xFF);
    longerRoot[1] = static_cast<char>((good.size() + 2) >> 8);
    longerChild[92] = '\xFF';  // StringFileInfo's length, past the root's end
    longerChild[93] = '\x7F';
    noKeyEnd.replace(6, 32, std::string(32, 'A'));
    for (const std::string& data :
         {std::string(), good.substr(0, 5), good.substr(0, good.size() - 1), longerRoot,
          longerChild, noKeyEnd}) {
        VersionStrings read;
        EXPECT_FALSE(readVersionStrings(data, read)) << data.size();
    }
}

}  // namespace
}  // namespace trellane
