#include "package/image/linux_icon.h"

#include "brand/png_image.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "package/support/file_tree.h"

namespace trellane {

void checkLinuxIcon(const std::string& path) {
    std::string bytes, problem;
    if (!readWholeFile(path, kMaxIconFileSize, bytes, problem))
        refuse("cannot read the icon %s: %s; give a PNG file", path.c_str(), problem.c_str());
    RgbaImage image;
    if (!decodePng(bytes, image, problem))
        refuse("the icon %s %s: a Linux image's icon is a PNG (convert it to one)", path.c_str(),
               problem.c_str());
}

void copyLinuxIcon(const std::string& path, const std::string& image, const std::string& name) {
    copyFile(path, image + "/lib/" + name + ".png");
}

}  // namespace trellane
