// The application's icon as the launcher carries it: PNG images of 16, 32, 64, 128 and 256
// pixels, 8-bit RGBA, from one square PNG or an .ico holding those sizes.
#pragma once

#include <string>
#include <vector>

namespace trellane {

const std::vector<int>& iconSizes();  // 16, 32, 64, 128, 256

// One PNG for each icon size, in order, from the bytes of a PNG (square, scaled to each size)
// or an .ico (its images of those sizes, re-encoded). scaledUpFrom is the side of a PNG
// smaller than 256 pixels, which is scaled up, else 0. False with problem when the bytes are
// neither, or not usable.
bool makeIconImages(const std::string& bytes, std::vector<std::string>& pngs, int& scaledUpFrom,
                    std::string& problem);

// makeIconImages on the file; refuses when it cannot be read or used, and warns of an image
// scaled up.
std::vector<std::string> loadIconImages(const std::string& path);

}  // namespace trellane
