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

}  // namespace
}  // namespace trellane
