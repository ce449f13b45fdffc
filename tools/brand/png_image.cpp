#include "brand/png_image.h"

#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

#include "common/refusal.h"

namespace trellane {

namespace {

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

void appendToString(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

}  // namespace

bool decodePng(const std::string& bytes, RgbaImage& image, std::string& problem) {
    if (bytes.compare(0, 8, kPngSignature, 8) != 0) {
        problem = "is not a PNG";
        return false;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        problem = std::string("is a PNG that cannot be read (") + stbi_failure_reason() + ")";
        return false;
    }
    if (width > kLargestImageSide || height > kLargestImageSide) {
        problem = "is larger than " + std::to_string(kLargestImageSide) + " pixels";
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
    std::string png;
    if (!stbi_write_png_to_func(appendToString, &png, image.width, image.height, 4,
                                image.pixels.data(), image.width * 4))
        refuse("cannot encode an icon image: out of memory");
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
