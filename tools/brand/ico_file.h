// The images of an .ico file: a directory of entries, each a PNG or a bitmap (a DIB of the
// colours, bottom row first, followed by a one-bit transparency mask).
#pragma once

#include <string>
#include <vector>

#include "brand/png_image.h"

namespace trellane {

// The file's image at each of the sizes, in their order, decoded to RGBA. Of several entries
// of one size the one declaring the most bits per pixel is taken; entries of other sizes are
// left alone. Accepted: PNG entries, and uncompressed bitmaps of 24 or 32 bits per pixel (a
// 32-bit bitmap whose alpha is all zero takes its transparency from the mask, as Windows
// shows it). False for anything else, a size missing, or an entry that does not lie inside
// the file; problem says which.
bool readIcoImages(const std::string& bytes, const std::vector<int>& sizes,
                   std::vector<RgbaImage>& images, std::string& problem);

}  // namespace trellane
