// Small images and .ico files for the icon tests, made in memory.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "brand/png_image.h"

namespace trellane {

// A square image whose every pixel differs from its neighbours: red runs with x, green with
// y, blue marks the quadrant, alpha fades towards the bottom right.
inline RgbaImage patternImage(int size) {
    RgbaImage image;
    image.width = image.height = size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.pixels.insert(
                image.pixels.end(),
                {static_cast<unsigned char>(x * 255 / (size - 1)),
                 static_cast<unsigned char>(y * 255 / (size - 1)),
                 static_cast<unsigned char>((x < size / 2) * 128 + (y < size / 2) * 64),
                 static_cast<unsigned char>(255 - (x + y) * 127 / (size - 1))});
    return image;
}

inline RgbaImage solidImage(int width, int height, unsigned char r, unsigned char g,
                            unsigned char b, unsigned char a) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * height * 4);
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = r;
        image.pixels[i + 1] = g;
        image.pixels[i + 2] = b;
        image.pixels[i + 3] = a;
    }
    return image;
}

inline void putLittle(std::string& out, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

// A bitmap entry as .ico files hold it: BITMAPINFOHEADER (height doubled for the mask), the
// colours bottom row first in BGR(A), then the mask with the pixels whose alpha is 0 set.
inline std::string bitmapEntry(const RgbaImage& image, int bitCount) {
    int size = image.width;
    std::string data;
    for (uint32_t value : {40u, uint32_t(size), uint32_t(size * 2)}) putLittle(data, value, 4);
    putLittle(data, 1, 2);
    putLittle(data, bitCount, 2);
    data.append(24, '\0');
    size_t stride = (size_t(size) * bitCount + 31) / 32 * 4;
    for (int row = size - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < size; ++x) {
            const unsigned char* p = &image.pixels[(size_t(row) * size + x) * 4];
            line += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
            if (bitCount == 32) line.push_back(static_cast<char>(p[3]));
        }
        line.resize(stride, '\0');
        data += line;
    }
    size_t maskStride = (size_t(size) + 31) / 32 * 4;
    for (int row = size - 1; row >= 0; --row) {
        std::string line(maskStride, '\0');
        for (int x = 0; x < size; ++x)
            if (image.pixels[(size_t(row) * size + x) * 4 + 3] == 0)
                line[x / 8] = static_cast<char>(line[x / 8] | 0x80 >> (x % 8));
        data += line;
    }
    return data;
}

struct IcoEntryFixture {
    int size;
    int bitCount;
    std::string data;
};

inline std::string icoFile(const std::vector<IcoEntryFixture>& entries) {
    std::string file;
    putLittle(file, 0, 2);
    putLittle(file, 1, 2);
    putLittle(file, static_cast<uint32_t>(entries.size()), 2);
    size_t offset = 6 + 16 * entries.size();
    for (const IcoEntryFixture& entry : entries) {
        putLittle(file, entry.size & 0xFF, 1);
        putLittle(file, entry.size & 0xFF, 1);
        putLittle(file, 0, 2);
        putLittle(file, 1, 2);
        putLittle(file, entry.bitCount, 2);
        putLittle(file, static_cast<uint32_t>(entry.data.size()), 4);
        putLittle(file, static_cast<uint32_t>(offset), 4);
        offset += entry.data.size();
    }
    for (const IcoEntryFixture& entry : entries) file += entry.data;
    return file;
}

inline void putBig(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// An 8-bit RGBA PNG of width x height pixels whose image data is `inflated` zero bytes, however
// many its pixels take: a few kilobytes that inflate to megabytes.
inline std::string inflatingPng(uint32_t width, uint32_t height, size_t inflated) {
    z_stream stream{};
    deflateInit(&stream, 9);
    std::string zeros(size_t{1} << 16, '\0'), data;
    char out[1 << 16];
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH || stream.avail_out == 0) {
        size_t piece = std::min(inflated, zeros.size());
        inflated -= piece;
        flush = inflated == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(&zeros[0]);
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, flush);
            data.append(out, sizeof out - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    std::string png("\x89PNG\r\n\x1a\n", 8), header;
    putBig(header, width);
    putBig(header, height);
    header += std::string("\x08\x06\0\0\0", 5);
    for (const auto& [type, body] :
         {std::pair<std::string, std::string>{"IHDR", header}, {"IDAT", data}, {"IEND", ""}}) {
        putBig(png, static_cast<uint32_t>(body.size()));
        std::string typed = type + body;
        png += typed;
        putBig(png, static_cast<uint32_t>(
                        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
    }
    return png;
}

// An .ico of the five icon sizes, each a PNG of patternImage.
inline std::string patternIco() {
    std::vector<IcoEntryFixture> entries;
    for (int size : {16, 32, 64, 128, 256})
        entries.push_back({size, 32, encodePng(patternImage(size))});
    return icoFile(entries);
}

}  // namespace trellane
