// Hostile inputs through the readers of the branding: the PNG and .ico a packager gives as the
// icon, and the version information, manifest and icon group a launcher carries. The first
// byte picks the reader, the rest is its input. Reading never goes out of range, and what a
// reader accepts survives our own writer: written again, it reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "brand/ico_file.h"
#include "brand/icon_group.h"
#include "brand/icon_images.h"
#include "brand/manifest_text.h"
#include "brand/png_image.h"
#include "brand/version_info.h"

using namespace trellane;

namespace {

// Small enough that a fuzzed PNG's pixels stay cheap; the limit itself is what is checked.
constexpr int kLargestFuzzedSide = 512;

void fuzzPng(const std::string& bytes) {
    RgbaImage image, again;
    std::string problem;
    if (!decodePng(bytes, image, problem, kLargestFuzzedSide)) return;
    if (image.width > kLargestFuzzedSide || image.height > kLargestFuzzedSide ||
        image.pixels.size() != size_t(image.width) * image.height * 4)
        std::abort();
    if (!decodePng(encodePng(image), again, problem) || again.pixels != image.pixels) std::abort();
}

void fuzzIco(const std::string& bytes) {
    std::vector<RgbaImage> images;
    std::string problem;
    if (!readIcoImages(bytes, iconSizes(), images, problem)) return;
    if (images.size() != iconSizes().size()) std::abort();
    for (size_t i = 0; i < images.size(); ++i)
        if (images[i].width != iconSizes()[i] || images[i].height != iconSizes()[i] ||
            images[i].pixels.size() != size_t(images[i].width) * images[i].height * 4)
            std::abort();
}

bool sameStrings(const VersionStrings& a, const VersionStrings& b) {
    return a.productName == b.productName && a.fileDescription == b.fileDescription &&
           a.companyName == b.companyName && a.fileVersion == b.fileVersion &&
           a.productVersion == b.productVersion && a.legalCopyright == b.legalCopyright &&
           a.internalName == b.internalName && a.originalFileName == b.originalFileName;
}

void fuzzVersionInfo(const std::string& bytes) {
    VersionStrings strings, again;
    std::string data, problem;
    if (!readVersionStrings(bytes, strings) || !writeVersionInfo(strings, data, problem)) return;
    if (!readVersionStrings(data, again) || !sameStrings(strings, again)) std::abort();
}

void fuzzManifest(const std::string& text) {
    ManifestIdentity identity, again;
    std::string rewritten, problem;
    if (!readManifestIdentity(text, identity, problem)) return;
    if (!rewriteManifestIdentity(text, identity, rewritten, problem) ||
        !readManifestIdentity(rewritten, again, problem) || again.name != identity.name ||
        again.version != identity.version || again.description != identity.description)
        std::abort();
}

void fuzzIconGroup(const std::string& bytes) {
    std::vector<IconGroupEntry> entries, again;
    if (!readIconGroup(bytes, entries)) return;
    if (!readIconGroup(writeIconGroup(entries), again) || again.size() != entries.size())
        std::abort();
    for (size_t i = 0; i < entries.size(); ++i)
        if (again[i].width != entries[i].width || again[i].height != entries[i].height ||
            again[i].bitCount != entries[i].bitCount || again[i].length != entries[i].length ||
            again[i].id != entries[i].id)
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            fuzzPng(input);
            break;
        case 1:
            fuzzIco(input);
            break;
        case 2:
            fuzzVersionInfo(input);
            break;
        case 3:
            fuzzManifest(input);
            break;
        case 4:
            fuzzIconGroup(input);
            break;
    }
    return 0;
}
