#include "brand/icon_images.h"

#include <cstdio>

#include "brand/ico_file.h"
#include "brand/png_image.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "exe/launcher_file.h"

namespace trellane {

namespace {

const char kIconAdvice[] =
    "give a square PNG of 256 pixels or more, or an .ico holding 16, 32, 64, 128 and 256 pixels";

bool fromPng(const std::string& bytes, std::vector<RgbaImage>& images, int& scaledUpFrom,
             std::string& problem) {
    RgbaImage source;
    if (!decodePng(bytes, source, problem)) return false;
    if (source.width != source.height) {
        problem = "is not square (" + std::to_string(source.width) + "x" +
                  std::to_string(source.height) + " pixels)";
        return false;
    }
    scaledUpFrom = source.width < iconSizes().back() ? source.width : 0;
    for (int size : iconSizes()) images.push_back(scaleImage(source, size));
    return true;
}

}  // namespace

const std::vector<int>& iconSizes() {
    static const std::vector<int> sizes = {16, 32, 64, 128, 256};
    return sizes;
}

bool makeIconImages(const std::string& bytes, std::vector<std::string>& pngs, int& scaledUpFrom,
                    std::string& problem) {
    std::vector<RgbaImage> images;
    scaledUpFrom = 0;
    bool isIco = bytes.compare(0, 4, "\0\0\1\0", 4) == 0;
    if (!(isIco ? readIcoImages(bytes, iconSizes(), images, problem)
                : fromPng(bytes, images, scaledUpFrom, problem)))
        return false;
    pngs.clear();
    for (const RgbaImage& image : images) pngs.push_back(encodePng(image));
    return true;
}

std::vector<std::string> loadIconImages(const std::string& path) {
    std::vector<std::string> pngs;
    int scaledUpFrom = 0;
    std::string problem;
    if (!makeIconImages(readLauncherFile(path).bytes, pngs, scaledUpFrom, problem))
        refuse("the icon %s %s: %s", shownName(path).c_str(), problem.c_str(), kIconAdvice);
    if (scaledUpFrom != 0)
        notice("warning: ",
               "the icon %s is %d pixels square, so its larger sizes are "
               "scaled up and look blurred; give a PNG of 256 pixels or more",
               shownName(path).c_str(), scaledUpFrom);
    return pngs;
}

}  // namespace trellane
