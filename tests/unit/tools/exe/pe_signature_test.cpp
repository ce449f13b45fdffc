#include "exe/pe_signature.h"

#include <gtest/gtest.h>

#include <string>

#include "exe/byte_access.h"
#include "pe_fixture.h"

namespace trellane {
namespace {

using namespace fixture;

constexpr size_t kCertificateField = kOptionalHeader + 112 + 8 * kDirectoryCertificate;

TEST(PeSignature, RemovesTheTableAndKeepsWhatWasAppendedBeforeIt) {
    struct Case {
        const char* what;
        std::string appended;
        std::string kept;  // of the appended bytes
    };
    const Case cases[] = {
        {"right after the sections", "", ""},
        {"after the signer's padding", std::string(5, '\0'), ""},
        {"after appended data", "abc", "abc"},
        {"after appended data ending in zeros", std::string("abc\0\0\0\0\0", 8),
         std::string("abc\0\0\0\0\0", 8)},
        {"after eight zeros, more than padding", std::string(8, '\0'), std::string(8, '\0')},
    };
    for (const Case& c : cases) {
        Image image = launcherLike({resource(number(24), number(1), 0x409, "m")});
        image.appended = c.appended;
        image.certificate = std::string(24, 'C');
        std::string file = build(image);
        image.certificate.clear();
        image.appended = c.kept;
        std::string unsignedFile = build(image);

        bool removed = false;
        std::string problem;
        ASSERT_TRUE(removeSignature(file, removed, problem)) << c.what << ": " << problem;
        EXPECT_TRUE(removed) << c.what;
        EXPECT_EQ(file, unsignedFile) << c.what;
    }
}

TEST(PeSignature, AnUnsignedFileStaysAsItIs) {
    std::string file = build(launcherLike({}));
    std::string before = file;
    bool removed = true;
    std::string problem;
    ASSERT_TRUE(removeSignature(file, removed, problem)) << problem;
    EXPECT_FALSE(removed);
    EXPECT_EQ(file, before);
}

TEST(PeSignature, RefusesATableThatIsNotAfterTheSections) {
    Image image = launcherLike({});
    image.certificate = std::string(24, 'C');
    std::string signedFile = build(image);
    uint32_t table = readU32(signedFile, kCertificateField);
    const std::pair<uint32_t, uint32_t> places[] = {
        {table - 0x200, 24},  // inside the last section
        {table, 25},          // past the end of the file
        {0xFFFFFFF0, 0x20},
    };
    for (const auto& [address, size] : places) {
        std::string file = signedFile;
        writeU32(file, kCertificateField, address);
        writeU32(file, kCertificateField + 4, size);
        bool removed = false;
        std::string problem;
        EXPECT_FALSE(removeSignature(file, removed, problem)) << address;
        EXPECT_NE(problem.find("certificate table is not after the sections"), std::string::npos)
            << problem;
    }
}

// A WIN_CERTIFICATE entry: its length (header included), revision, type and data, padded to
// eight bytes as signers write it.
std::string certificateEntry(uint16_t revision, uint16_t type, const std::string& data) {
    std::string entry(8, '\0');
    writeU32(entry, 0, static_cast<uint32_t>(8 + data.size()));
    writeU16(entry, 4, revision);
    writeU16(entry, 6, type);
    entry += data;
    entry.resize(alignUp(entry.size(), 8), '\0');
    return entry;
}

TEST(PeSignature, ReadsTheSignedDataEntryOfTheTable) {
    struct Case {
        const char* what;
        std::string table;
        bool read;
        std::string blob;  // or the problem's start
    };
    const std::string signedData = certificateEntry(0x0200, 2, "DER-BYTES");
    std::string overlong = signedData;
    writeU32(overlong, 0, 4096);
    const Case cases[] = {
        {"one signature", signedData, true, "DER-BYTES"},
        {"after an entry of another type", certificateEntry(0x0200, 1, "X.509") + signedData,
         true, "DER-BYTES"},
        {"of revision 1.0 only", certificateEntry(0x0100, 2, "OLD"), false,
         "has a certificate table without an Authenticode signature"},
        {"an entry longer than the table", overlong, false, "is damaged: an entry"},
        {"an entry shorter than its header", std::string("\4\0\0\0\0\2\2\0", 8), false,
         "is damaged: an entry"},
        {"a table shorter than a header", std::string(4, '\0'), false, "is damaged: an entry"},
    };
    for (const Case& c : cases) {
        Image image = launcherLike({});
        image.certificate = c.table;
        std::string blob, problem;
        bool found = false;
        EXPECT_EQ(readSignatureBlob(build(image), blob, found, problem), c.read) << c.what;
        EXPECT_TRUE(found) << c.what;
        EXPECT_EQ((c.read ? blob : problem).compare(0, c.blob.size(), c.blob), 0)
            << c.what << ": " << blob << problem;
    }

    std::string blob, problem;
    bool found = true;
    EXPECT_TRUE(readSignatureBlob(build(launcherLike({})), blob, found, problem)) << problem;
    EXPECT_FALSE(found);
    Image outside = launcherLike({});
    outside.certificate = signedData;
    std::string file = build(outside);
    writeU32(file, kCertificateField + 4, 0x10000);
    EXPECT_FALSE(readSignatureBlob(file, blob, found, problem));
    EXPECT_EQ(problem, "is damaged: its certificate table does not lie inside the file");
}

}  // namespace
}  // namespace trellane
