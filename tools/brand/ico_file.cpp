#include "brand/ico_file.h"

#include "brand/icon_group.h"
#include "brand/little_endian.h"

namespace trellane {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kBitmapHeaderSize = 40;

struct IcoEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
};

bool readDirectory(const std::string& bytes, std::vector<IcoEntry>& entries, std::string& problem) {
    std::vector<IconGroupEntry> directory;
    if (!readIconDirectory(bytes, kEntrySize, directory)) {
        bool isIco = bytes.size() >= kHeaderSize && bytes.compare(0, 4, "\0\0\1\0", 4) == 0;
        problem = isIco ? "is cut short: its directory runs past the end of the file"
                        : "is not an .ico file";
        return false;
    }
    for (size_t i = 0; i < directory.size(); ++i) {
        // Where a group names its icon, a file has the image's offset.
        uint64_t offset = readLittle(bytes, kHeaderSize + i * kEntrySize + 12, 4);
        IcoEntry entry{directory[i].width, directory[i].height, directory[i].bitCount, offset,
                       directory[i].length};
        if (entry.offset + entry.length > bytes.size()) {
            problem = "is cut short: its image " + std::to_string(i + 1) +
                      " lies past the end of the file";
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}

// A bitmap entry: BITMAPINFOHEADER, the colours bottom row first (rows padded to four
// bytes), then the mask, one bit per pixel, a set bit transparent.
bool decodeBitmap(const std::string& data, int size, RgbaImage& image, std::string& problem) {
    if (data.size() < kBitmapHeaderSize) {
        problem = "is too short for a bitmap";
        return false;
    }
    size_t headerSize = readLittle(data, 0, 4);
    int32_t width = static_cast<int32_t>(readLittle(data, 4, 4));
    int32_t height = static_cast<int32_t>(readLittle(data, 8, 4));
    int bitCount = static_cast<int>(readLittle(data, 14, 2));
    uint32_t compression = readLittle(data, 16, 4);
    uint64_t paletteEntries = readLittle(data, 32, 4);
    if (width != size || (height != size * 2 && height != size) || headerSize < kBitmapHeaderSize) {
        problem = "is not a bitmap of its declared size";
        return false;
    }
    if ((bitCount != 24 && bitCount != 32) || compression != 0) {
        problem = "is a bitmap of " + std::to_string(bitCount) +
                  " bits per pixel or compressed; only PNG entries and uncompressed 24- or "
                  "32-bit bitmaps are read";
        return false;
    }
    size_t stride = (size_t(size) * bitCount + 31) / 32 * 4;
    size_t maskStride = (size_t(size) + 31) / 32 * 4;
    uint64_t colours = headerSize + paletteEntries * 4;
    uint64_t mask = colours + stride * size;
    if (mask > data.size()) {
        problem = "is cut short";
        return false;
    }
    bool hasMask = mask + maskStride * size <= data.size();

    image.width = image.height = size;
    image.pixels.assign(size_t(size) * size * 4, 0);
    bool anyAlpha = false;
    size_t bytesPerPixel = bitCount / 8;
    for (int row = 0; row < size; ++row) {
        unsigned char* out = &image.pixels[size_t(size - 1 - row) * size * 4];
        const char* in = &data[colours + row * stride];
        for (int x = 0; x < size; ++x, out += 4, in += bytesPerPixel) {
            out[0] = static_cast<unsigned char>(in[2]);
            out[1] = static_cast<unsigned char>(in[1]);
            out[2] = static_cast<unsigned char>(in[0]);
            out[3] = bitCount == 32 ? static_cast<unsigned char>(in[3]) : 0;
            anyAlpha = anyAlpha || out[3] != 0;
        }
    }
    if (anyAlpha) return true;
    // No alpha: the mask decides, as for any icon of 24 bits or fewer.
    for (int row = 0; row < size; ++row) {
        unsigned char* out = &image.pixels[size_t(size - 1 - row) * size * 4];
        for (int x = 0; x < size; ++x) {
            bool transparent =
                hasMask &&
                (static_cast<unsigned char>(data[mask + row * maskStride + x / 8]) >> (7 - x % 8)) &
                    1;
            out[x * 4 + 3] = transparent ? 0 : 255;
        }
    }
    return true;
}

bool decodeEntry(const std::string& data, int size, RgbaImage& image, std::string& problem) {
    if (data.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0)
        return decodeBitmap(data, size, image, problem);
    if (!decodePng(data, image, problem, size)) return false;
    if (image.width != size || image.height != size) {
        problem = "holds a PNG of " + std::to_string(image.width) + "x" +
                  std::to_string(image.height) + " pixels";
        return false;
    }
    return true;
}

}  // namespace

bool readIcoImages(const std::string& bytes, const std::vector<int>& sizes,
                   std::vector<RgbaImage>& images, std::string& problem) {
    std::vector<IcoEntry> entries;
    if (!readDirectory(bytes, entries, problem)) return false;

    std::vector<const IcoEntry*> chosen;
    std::string missing;
    for (int size : sizes) {
        const IcoEntry* best = nullptr;
        for (const IcoEntry& entry : entries)
            if (entry.width == size && entry.height == size &&
                (best == nullptr || entry.bitCount > best->bitCount))
                best = &entry;
        if (best == nullptr) missing += (missing.empty() ? "" : ", ") + std::to_string(size);
        chosen.push_back(best);
    }
    if (!missing.empty()) {
        problem = "has no image of " + missing + " pixels";
        return false;
    }

    images.clear();
    for (size_t i = 0; i < sizes.size(); ++i) {
        RgbaImage image;
        std::string data = bytes.substr(chosen[i]->offset, chosen[i]->length);
        if (!decodeEntry(data, sizes[i], image, problem)) {
            problem = "has a " + std::to_string(sizes[i]) + "-pixel image that " + problem;
            return false;
        }
        images.push_back(std::move(image));
    }
    return true;
}

}  // namespace trellane
