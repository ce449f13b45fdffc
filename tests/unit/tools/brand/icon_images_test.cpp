#include "brand/icon_images.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "icon_fixtures.h"

namespace trellane {
namespace {

std::vector<std::string> madeFrom(const std::string& bytes, int* scaledUpFrom = nullptr) {
    std::vector<std::string> pngs;
    std::string problem;
    int scaled = -1;
    EXPECT_TRUE(makeIconImages(bytes, pngs, scaled, problem)) << problem;
    if (scaledUpFrom) *scaledUpFrom = scaled;
    return pngs;
}

RgbaImage decoded(const std::string& png) {
    RgbaImage image;
    std::string problem;
    EXPECT_TRUE(decodePng(png, image, problem)) << problem;
    return image;
}

// The PNG header: 8-bit samples, colour type 6 (RGBA), and nothing but IHDR, IDAT and IEND.
void expectRgbaPng(const std::string& png, int size) {
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(16, 8), std::string({0, 0, char(size >> 8), char(size & 0xFF), 0, 0,
                                              char(size >> 8), char(size & 0xFF)}));
    EXPECT_EQ(png.substr(24, 2), std::string("\x08\x06", 2));
    EXPECT_EQ(png.find("tEXt"), std::string::npos);
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
}

TEST(IconImagesTest, ScalesASquarePngToTheFiveSizes) {
    int scaledUpFrom = -1;
    std::vector<std::string> pngs = madeFrom(encodePng(patternImage(512)), &scaledUpFrom);
    EXPECT_EQ(scaledUpFrom, 0);
    ASSERT_EQ(pngs.size(), 5u);
    for (size_t i = 0; i < pngs.size(); ++i) expectRgbaPng(pngs[i], iconSizes()[i]);

    // A real filter: the 16-pixel image's corners keep the source's corner colours, and a
    // solid source stays exactly solid at every size.
    RgbaImage small = decoded(pngs[0]);
    const unsigned char* topLeft = &small.pixels[0];
    const unsigned char* bottomRight = &small.pixels[small.pixels.size() - 4];
    EXPECT_LT(topLeft[0], 16);
    EXPECT_GT(bottomRight[0], 239);
    EXPECT_NEAR(topLeft[2], 192, 1);
    EXPECT_EQ(bottomRight[2], 0);
    RgbaImage solid = solidImage(300, 300, 200, 100, 50, 128);
    for (const std::string& png : madeFrom(encodePng(solid))) {
        RgbaImage image = decoded(png);
        EXPECT_EQ(image.pixels, solidImage(image.width, image.width, 200, 100, 50, 128).pixels);
    }
}

TEST(IconImagesTest, KeepsASourceOfAnIconSizeAsItIs) {
    std::vector<std::string> pngs = madeFrom(encodePng(patternImage(256)));
    EXPECT_EQ(decoded(pngs[4]).pixels, patternImage(256).pixels);
}

TEST(IconImagesTest, SaysWhenASmallSourceIsScaledUp) {
    int scaledUpFrom = 0;
    madeFrom(encodePng(patternImage(48)), &scaledUpFrom);
    EXPECT_EQ(scaledUpFrom, 48);
}

TEST(IconImagesTest, TheSameIconGivesTheSameBytes) {
    std::string source = encodePng(patternImage(300));
    EXPECT_EQ(madeFrom(source), madeFrom(source));
    EXPECT_EQ(madeFrom(patternIco()), madeFrom(patternIco()));
}

TEST(IconImagesTest, ReencodesAnIcoOfTheFiveSizes) {
    std::vector<std::string> pngs = madeFrom(patternIco());
    ASSERT_EQ(pngs.size(), 5u);
    for (size_t i = 0; i < pngs.size(); ++i) {
        expectRgbaPng(pngs[i], iconSizes()[i]);
        EXPECT_EQ(decoded(pngs[i]).pixels, patternImage(iconSizes()[i]).pixels);
    }
}

TEST(IconImagesTest, RefusesWhatIsNotASquarePngOrAnIco) {
    std::string truncated = encodePng(patternImage(64));
    truncated.resize(60);
    // An image chunk claiming 2 GB, and one whose compressed pixels are not deflate data.
    std::string claimsMore = encodePng(patternImage(64));
    claimsMore.replace(33, 4, "\x7F\xFF\xFF\xF0");
    std::string badPixels = encodePng(patternImage(64));
    badPixels[33 + 8] = '\xFF';
    const std::pair<std::string, std::string> cases[] = {
        {encodePng(solidImage(256, 200, 0, 0, 0, 255)), "is not square (256x200 pixels)"},
        {"GIF89a", "is not a PNG"},
        {"", "is not a PNG"},
        {truncated, "is a PNG that is cut short or damaged (a chunk runs past its end)"},
        {claimsMore, "is a PNG that is cut short or damaged (a chunk runs past its end)"},
        {badPixels, "is a PNG that cannot be read ("},
    };
    for (const auto& [bytes, want] : cases) {
        std::vector<std::string> pngs;
        std::string problem;
        int scaledUpFrom = 0;
        EXPECT_FALSE(makeIconImages(bytes, pngs, scaledUpFrom, problem));
        EXPECT_EQ(problem.substr(0, want.size()), want);
    }
}

TEST(IconImagesTest, RefusesBySizeAndByImageDataBeforeDecoding) {
    // A one-pixel PNG whose header says other sizes: 324 MB at 9000 x 9000, were it decoded.
    auto declaring = [](uint32_t width, uint32_t height) {
        std::string png = encodePng(solidImage(1, 1, 0, 0, 0, 0));
        for (int i = 0; i < 4; ++i) {
            png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
            png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        return png;
    };
    std::string greyAlpha16 = encodePng(solidImage(1, 1, 0, 0, 0, 0));
    greyAlpha16[24] = 4;  // 4 bits a sample: grey with alpha has 8 or 16
    greyAlpha16[25] = 4;
    // 256 rows of a filter byte and 1024 bytes: 262,400 bytes of image data.
    const std::string bombMessage =
        "is a PNG whose image data inflates to more than the 262400 bytes its 256x256 pixels "
        "take (it is damaged, or made to exhaust memory)";
    const std::pair<std::string, std::string> cases[] = {
        {declaring(9000, 9000), "is larger than 8192 pixels (9000x9000)"},
        {declaring(1 << 25, 1), "is larger than 8192 pixels (33554432x1)"},
        {declaring(0, 0), "has no pixels (its header says 0x0)"},
        {declaring(256, 0), "has no pixels (its header says 256x0)"},
        {greyAlpha16,
         "is a PNG whose header is damaged (colour type 4, 4 bits a sample, "
         "compression 0, filter 0, interlace 0)"},
        {inflatingPng(256, 256, 262401), bombMessage},
        {inflatingPng(256, 256, size_t{16} << 20), bombMessage},
    };
    for (const auto& [png, want] : cases) {
        RgbaImage image;
        std::string problem;
        EXPECT_FALSE(decodePng(png, image, problem));
        EXPECT_EQ(problem, want);
    }
    // Image data of exactly the size the header implies is an image (of transparent black).
    RgbaImage image;
    std::string problem;
    EXPECT_TRUE(decodePng(inflatingPng(256, 256, 262400), image, problem)) << problem;
    EXPECT_EQ(image.pixels, solidImage(256, 256, 0, 0, 0, 0).pixels);
}

}  // namespace
}  // namespace trellane
