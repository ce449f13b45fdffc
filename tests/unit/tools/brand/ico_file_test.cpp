#include "brand/ico_file.h"

#include <gtest/gtest.h>

#include "icon_fixtures.h"

namespace trellane {
namespace {

const std::vector<int> kSizes = {16, 32, 64, 128, 256};

std::vector<RgbaImage> readImages(const std::string& ico) {
    std::vector<RgbaImage> images;
    std::string problem;
    EXPECT_TRUE(readIcoImages(ico, kSizes, images, problem)) << problem;
    return images;
}

std::string problemOf(const std::string& ico) {
    std::vector<RgbaImage> images;
    std::string problem;
    EXPECT_FALSE(readIcoImages(ico, kSizes, images, problem));
    return problem;
}

TEST(IcoFileTest, ReadsTheFiveSizesFromPngEntriesWhateverElseTheFileHolds) {
    std::vector<IcoEntryFixture> entries;
    for (int size : {256, 48, 128, 64, 32, 24, 16})
        entries.push_back({size, 32, encodePng(patternImage(size))});
    std::vector<RgbaImage> images = readImages(icoFile(entries));
    ASSERT_EQ(images.size(), 5u);
    for (size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(images[i].pixels, patternImage(kSizes[i]).pixels) << kSizes[i];
}

TEST(IcoFileTest, ReadsBitmapEntriesBottomRowFirstWithAlphaOrMask) {
    // 32 bits: alpha as stored. 24 bits: the mask makes the transparent pixels.
    RgbaImage pattern = patternImage(32);
    RgbaImage masked = patternImage(64);
    for (size_t i = 3; i < masked.pixels.size(); i += 4)
        masked.pixels[i] = (i / 4 % 3 == 0) ? 0 : 255;
    std::vector<IcoEntryFixture> entries = {{16, 32, encodePng(patternImage(16))},
                                            {32, 32, bitmapEntry(pattern, 32)},
                                            {64, 24, bitmapEntry(masked, 24)},
                                            {128, 32, encodePng(patternImage(128))},
                                            {256, 32, encodePng(patternImage(256))}};
    std::vector<RgbaImage> images = readImages(icoFile(entries));
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[1].pixels, pattern.pixels);
    EXPECT_EQ(images[2].pixels, masked.pixels);
}

TEST(IcoFileTest, AThirtyTwoBitBitmapWithoutAlphaTakesTheMask) {
    RgbaImage image = solidImage(16, 16, 10, 20, 30, 255);
    image.pixels[3] = 0;  // the top left pixel transparent in the mask
    std::string entry = bitmapEntry(image, 32);
    for (size_t at = 40 + 3; at < 40 + 16 * 16 * 4; at += 4) entry[at] = 0;  // no alpha at all
    std::vector<IcoEntryFixture> entries = {{16, 32, entry}};
    for (int size : {32, 64, 128, 256})
        entries.push_back({size, 32, encodePng(patternImage(size))});
    std::vector<RgbaImage> images = readImages(icoFile(entries));
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[0].pixels, image.pixels);
}

TEST(IcoFileTest, TakesTheEntryWithTheMostBitsOfASize) {
    std::vector<IcoEntryFixture> entries = {
        {16, 24, bitmapEntry(solidImage(16, 16, 1, 1, 1, 255), 24)},
        {16, 32, encodePng(patternImage(16))},
        {16, 8, std::string("not read")}};
    for (int size : {32, 64, 128, 256})
        entries.push_back({size, 32, encodePng(patternImage(size))});
    EXPECT_EQ(readImages(icoFile(entries))[0].pixels, patternImage(16).pixels);
}

TEST(IcoFileTest, SaysWhatIsWrong) {
    std::string good = patternIco();
    std::vector<IcoEntryFixture> lacking = {{16, 32, encodePng(patternImage(16))},
                                            {32, 32, encodePng(patternImage(32))},
                                            {256, 32, encodePng(patternImage(256))}};
    std::vector<IcoEntryFixture> paletted, wrongPng, largePng, bombPng;
    for (int size : {16, 32, 64, 128, 256}) {
        std::string bitmap = bitmapEntry(patternImage(size), 24);
        if (size == 64) bitmap[14] = 8;  // 8 bits per pixel
        paletted.push_back({size, 24, bitmap});
        wrongPng.push_back({size, 32, encodePng(patternImage(size == 128 ? 120 : size))});
        largePng.push_back({size, 32, encodePng(patternImage(size == 16 ? 300 : size))});
        bombPng.push_back({size, 32,
                           size == 256 ? inflatingPng(256, 256, size_t{16} << 20)
                                       : encodePng(patternImage(size))});
    }
    std::string pastEnd = good;
    pastEnd[6 + 16 * 2 + 12] = '\xFF';  // the third entry's offset
    pastEnd[6 + 16 * 2 + 15] = '\x7F';
    std::vector<IcoEntryFixture> shortBitmap = {{16, 32, std::string(20, '\0')}};
    for (int size : {32, 64, 128, 256})
        shortBitmap.push_back({size, 32, encodePng(patternImage(size))});

    const std::pair<std::string, const char*> cases[] = {
        {"", "is not an .ico file"},
        {good.substr(0, 6 + 16 * 3), "is cut short: its directory runs past the end of the file"},
        {pastEnd, "is cut short: its image 3 lies past the end of the file"},
        {good.substr(0, good.size() - 1),
         "is cut short: its image 5 lies past the end of the file"},
        {icoFile(lacking), "has no image of 64, 128 pixels"},
        {icoFile(paletted),
         "has a 64-pixel image that is a bitmap of 8 bits per pixel or compressed; only PNG "
         "entries and uncompressed 24- or 32-bit bitmaps are read"},
        {icoFile(wrongPng), "has a 128-pixel image that holds a PNG of 120x120 pixels"},
        {icoFile(shortBitmap), "has a 16-pixel image that is too short for a bitmap"},
        // Refused before its pixels are decoded.
        {icoFile(largePng), "has a 16-pixel image that is larger than 16 pixels (300x300)"},
        {icoFile(bombPng),
         "has a 256-pixel image that is a PNG whose image data inflates to more than the 262400 "
         "bytes its 256x256 pixels take (it is damaged, or made to exhaust memory)"},
    };
    for (const auto& [ico, want] : cases) EXPECT_EQ(problemOf(ico), want);
}

}  // namespace
}  // namespace trellane
