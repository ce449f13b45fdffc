// Square RGBA images in and out of PNG, and resampled to the icon sizes.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// 8-bit RGBA, rows top to bottom, not premultiplied: what a PNG of colour type 6 holds.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // width * height * 4
};

// The largest side a source image may have: its pixels alone take 256 MiB at this size.
constexpr int kLargestImageSide = 8192;

// Any PNG (palette, grey, 16-bit and interlaced included) as 8-bit RGBA. False for bytes that
// are not a PNG, a PNG whose chunks do not fit in it or that does not decode, one of no pixels
// or wider or taller than largestSide, or one whose image data inflates to more than its
// header's size needs (all checked before its pixels are decoded); problem says which.
bool decodePng(const std::string& bytes, RgbaImage& image, std::string& problem,
               int largestSide = kLargestImageSide);

// An 8-bit RGBA PNG (colour type 6) with no chunks beyond the image, compressed by zlib at its
// best level: the same pixels give the same bytes.
std::string encodePng(const RgbaImage& image);

// The image at size x size, resampled in linear light with alpha weighting (Mitchell down,
// Catmull-Rom up); an image of that size already comes back unchanged.
RgbaImage scaleImage(const RgbaImage& source, int size);

}  // namespace trellane
