#include "brand/png_image.h"

#include <stb_image.h>
#include <stb_image_resize.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>

#include "common/refusal.h"

namespace trellane {

namespace {

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// Filter types of PNG rows: none, and Paeth, which predicts from left, up and upper left.
constexpr unsigned char kNoFilter = 0;
constexpr unsigned char kPaethFilter = 4;

uint32_t readBigEndian(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
    appendBigEndian(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    appendBigEndian(png, static_cast<uint32_t>(
                             crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

unsigned char paethPredictor(int left, int up, int upperLeft) {
    int estimate = left + up - upperLeft;
    int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
        toUpperLeft = std::abs(estimate - upperLeft);
    if (toLeft <= toUp && toLeft <= toUpperLeft) return static_cast<unsigned char>(left);
    return static_cast<unsigned char>(toUp <= toUpperLeft ? up : upperLeft);
}

// The image's rows, each behind its filter type byte, all filtered the same way.
std::string filteredRows(const RgbaImage& image, unsigned char filter) {
    size_t stride = size_t(image.width) * 4;
    std::string rows;
    rows.reserve((stride + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* row = &image.pixels[y * stride];
        const unsigned char* above = y > 0 ? row - stride : nullptr;
        rows.push_back(static_cast<char>(filter));
        for (size_t i = 0; i < stride; ++i) {
            if (filter == kNoFilter) {
                rows.push_back(static_cast<char>(row[i]));
                continue;
            }
            int left = i >= 4 ? row[i - 4] : 0, up = above ? above[i] : 0;
            int upperLeft = above && i >= 4 ? above[i - 4] : 0;
            rows.push_back(static_cast<char>(row[i] - paethPredictor(left, up, upperLeft)));
        }
    }
    return rows;
}

std::string compressed(const std::string& data) {
    uLongf length = compressBound(data.size());
    std::string out(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &length,
                  reinterpret_cast<const Bytef*>(data.data()), data.size(), 9) != Z_OK)
        refuse("cannot encode an icon image: out of memory");
    out.resize(length);
    return out;
}

// Whether every chunk lies inside the bytes, up to IEND. stb_image sizes its buffers by the
// lengths the chunks declare before it reads them, so a damaged file could claim gigabytes.
bool chunksFit(const std::string& bytes) {
    for (size_t at = 8; at + 12 <= bytes.size();) {
        uint64_t length = readBigEndian(bytes, at);
        if (length > bytes.size() - at - 12) return false;
        if (bytes.compare(at + 4, 4, "IEND") == 0) return true;
        at += 12 + length;
    }
    return false;
}

}  // namespace

bool decodePng(const std::string& bytes, RgbaImage& image, std::string& problem, int largestSide) {
    if (bytes.compare(0, 8, kPngSignature, 8) != 0) {
        problem = "is not a PNG";
        return false;
    }
    if (!chunksFit(bytes)) {
        problem = "is a PNG that is cut short or damaged (a chunk runs past its end)";
        return false;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        problem = std::string("is a PNG that cannot be read (") + stbi_failure_reason() + ")";
        return false;
    }
    if (width > largestSide || height > largestSide) {
        problem = "is larger than " + std::to_string(largestSide) + " pixels";
        return false;
    }
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (pixels == nullptr) {
        problem = std::string("is a PNG that cannot be read (") + stbi_failure_reason() + ")";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(pixels, pixels + size_t(width) * height * 4);
    stbi_image_free(pixels);
    return true;
}

std::string encodePng(const RgbaImage& image) {
    // Drawn icons (flat areas) pack best unfiltered, photographs and gradients with Paeth:
    // both are tried and the smaller kept.
    std::string data = compressed(filteredRows(image, kNoFilter));
    std::string paeth = compressed(filteredRows(image, kPaethFilter));
    if (paeth.size() < data.size()) data.swap(paeth);

    std::string header;
    appendBigEndian(header, static_cast<uint32_t>(image.width));
    appendBigEndian(header, static_cast<uint32_t>(image.height));
    // 8 bits a sample, RGBA, deflate, PNG's one filter method, not interlaced.
    header += std::string("\x08\x06\0\0\0", 5);
    std::string png(kPngSignature, 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", "");
    return png;
}

RgbaImage scaleImage(const RgbaImage& source, int size) {
    if (source.width == size && source.height == size) return source;
    RgbaImage scaled;
    scaled.width = scaled.height = size;
    scaled.pixels.resize(size_t(size) * size * 4);
    if (!stbir_resize_uint8_srgb(source.pixels.data(), source.width, source.height,
                                 source.width * 4, scaled.pixels.data(), size, size, size * 4, 4, 3,
                                 0))
        refuse("cannot scale the icon: out of memory");
    return scaled;
}

}  // namespace trellane
