#include "brand/osslsigncode.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(Osslsigncode, ReadsTheVersionItPrintsFirst) {
    struct Case {
        const char* text;
        bool read;
        int major, minor;
    } cases[] = {
        {"osslsigncode 2.5, using:\n\tOpenSSL 3.0.7 1 Nov 2022\n", true, 2, 5},
        {"osslsigncode 2.9, using:\n", true, 2, 9},
        {"osslsigncode 2.10\n", true, 2, 10},
        {"osslsigncode 1.7.1\n", true, 1, 7},
        {"osslsigncode\n", false, 0, 0},
        {"osslsigncode two\n", false, 0, 0},
        {"osslsigncode 2\n", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        OsslsigncodeVersion version;
        EXPECT_EQ(parseOsslsigncodeVersion(c.text, version), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(std::make_pair(version.major, version.minor),
                      std::make_pair(c.major, c.minor))
                << c.text;
        }
    }
    EXPECT_TRUE((OsslsigncodeVersion{2, 10}).atLeast(2, 9));
    EXPECT_FALSE((OsslsigncodeVersion{2, 5}).atLeast(2, 9));
    EXPECT_TRUE((Osslsigncode{"", {3, 0}}).canIgnoreCrl());
    EXPECT_FALSE((Osslsigncode{"", {2, 8}}).canIgnoreCrl());
}

TEST(Osslsigncode, KeepsItsOwnWordsWithoutOpenSslsQueue) {
    EXPECT_EQ(osslsigncodeMessage(
                  "Failed to parse PKCS#12 file: a.p12 (Wrong password?)\n"
                  "40C0:error:11800071:PKCS12 routines:PKCS12_parse:mac verify failure:x.c:71:\n"
                  "Failed\n"),
              "Failed to parse PKCS#12 file: a.p12 (Wrong password?)");
    EXPECT_EQ(osslsigncodeMessage("Failed to checking the consistency of a private key: k\n"
                                  "          with a public key in any X509 certificate: c\n"),
              "Failed to checking the consistency of a private key: k; with a public key in any "
              "X509 certificate: c");
    EXPECT_EQ(osslsigncodeMessage("Failed\n"), "");
}

}  // namespace
}  // namespace trellane
