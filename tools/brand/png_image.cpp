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

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool interlaced = false;
};

// Samples a pixel holds for each colour type, 0 for a type PNG does not have.
int samplesPerPixel(int colourType) {
    switch (colourType) {
        case 0:
            return 1;  // grey
        case 2:
            return 3;  // RGB
        case 3:
            return 1;  // palette index
        case 4:
            return 2;  // grey and alpha
        case 6:
            return 4;  // RGBA
        default:
            return 0;
    }
}

bool isAllowedBitDepth(int colourType, int bitDepth) {
    switch (colourType) {
        case 0:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 ||
                   bitDepth == 16;
        case 3:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case 2:
        case 4:
        case 6:
            return bitDepth == 8 || bitDepth == 16;
        default:
            return false;
    }
}

// The first chunk, which must be IHDR.
bool readHeader(const std::string& bytes, PngHeader& header, std::string& problem) {
    if (bytes.size() < 8 + 12 + 13 || bytes.compare(12, 4, "IHDR") != 0 ||
        readBigEndian(bytes, 8) != 13) {
        problem = "is a PNG that does not start with its header (IHDR)";
        return false;
    }
    header.width = readBigEndian(bytes, 16);
    header.height = readBigEndian(bytes, 20);
    header.bitDepth = static_cast<unsigned char>(bytes[24]);
    header.colourType = static_cast<unsigned char>(bytes[25]);
    int compression = static_cast<unsigned char>(bytes[26]);
    int filter = static_cast<unsigned char>(bytes[27]);
    int interlace = static_cast<unsigned char>(bytes[28]);
    header.interlaced = interlace == 1;
    if (!isAllowedBitDepth(header.colourType, header.bitDepth) || compression != 0 || filter != 0 ||
        interlace > 1) {
        problem = "is a PNG whose header is damaged (colour type " +
                  std::to_string(header.colourType) + ", " + std::to_string(header.bitDepth) +
                  " bits a sample, compression " + std::to_string(compression) + ", filter " +
                  std::to_string(filter) + ", interlace " + std::to_string(interlace) + ")";
        return false;
    }
    return true;
}

uint64_t rowsSize(uint64_t width, uint64_t height, uint64_t bitsPerPixel) {
    return width == 0 ? 0 : height * (1 + (width * bitsPerPixel + 7) / 8);
}

// The bytes the image data inflates to: each row of the image, or of each of the seven passes
// of an interlaced one, behind its filter type byte.
uint64_t imageDataSize(const PngHeader& header) {
    uint64_t bitsPerPixel = uint64_t(samplesPerPixel(header.colourType)) * header.bitDepth;
    if (!header.interlaced) return rowsSize(header.width, header.height, bitsPerPixel);
    // Where each pass starts across and down, and how far apart its pixels are.
    static const uint32_t kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t size = 0;
    for (const auto& pass : kPasses) {
        uint64_t width =
            header.width > pass[0] ? (header.width - pass[0] + pass[2] - 1) / pass[2] : 0;
        uint64_t height =
            header.height > pass[1] ? (header.height - pass[1] + pass[3] - 1) / pass[3] : 0;
        size += rowsSize(width, height, bitsPerPixel);
    }
    return size;
}

// Whether the image data (the IDAT chunks, one zlib stream) inflates to no more than limit
// bytes. It is inflated into a small buffer and thrown away, and stops as soon as it passes
// the limit: a few kilobytes may inflate to gigabytes, and a decoder would hold them all.
bool inflatesWithin(const std::string& bytes, uint64_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    unsigned char out[65536];
    uint64_t inflated = 0;
    int status = Z_OK;
    for (size_t at = 8; at + 12 <= bytes.size() && status == Z_OK && inflated <= limit;) {
        uint32_t length = readBigEndian(bytes, at);
        bool data = bytes.compare(at + 4, 4, "IDAT") == 0;
        if (bytes.compare(at + 4, 4, "IEND") == 0) break;
        if (data) {
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + at + 8));
            stream.avail_in = length;
            while (stream.avail_in > 0 && status == Z_OK && inflated <= limit) {
                stream.next_out = out;
                stream.avail_out = sizeof out;
                status = inflate(&stream, Z_NO_FLUSH);
                inflated += sizeof out - stream.avail_out;
                if (status == Z_BUF_ERROR) status = Z_OK;  // only wants more input
            }
        }
        at += 12 + uint64_t{length};
    }
    // Whatever else is wrong with the data (not deflate, cut short) the decoder says.
    inflateEnd(&stream);
    return inflated <= limit;
}

std::string sizeText(uint32_t width, uint32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
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
    PngHeader header;
    if (!readHeader(bytes, header, problem)) return false;
    if (header.width == 0 || header.height == 0) {
        problem = "has no pixels (its header says " + sizeText(header.width, header.height) + ")";
        return false;
    }
    if (header.width > uint32_t(largestSide) || header.height > uint32_t(largestSide)) {
        problem = "is larger than " + std::to_string(largestSide) + " pixels (" +
                  sizeText(header.width, header.height) + ")";
        return false;
    }
    uint64_t dataSize = imageDataSize(header);
    if (!inflatesWithin(bytes, dataSize)) {
        problem = "is a PNG whose image data inflates to more than the " +
                  std::to_string(dataSize) + " bytes its " + sizeText(header.width, header.height) +
                  " pixels take (it is damaged, or made to exhaust memory)";
        return false;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
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
