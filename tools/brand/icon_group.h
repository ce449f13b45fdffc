// The icon group resource (type 14): the directory Windows picks an icon image from, each
// entry naming an icon resource (type 3) by id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

struct IconGroupEntry {
    int width = 0;  // 1 to 256; 256 is written as 0
    int height = 0;
    int bitCount = 0;
    uint32_t length = 0;  // of the icon resource
    uint16_t id = 0;
};

// The group's bytes: a header of reserved 0, type 1 and the count, then one 14-byte entry
// each, with no colour count and one plane.
std::string writeIconGroup(const std::vector<IconGroupEntry>& entries);

// The entries of an icon directory, the layout an .ico file and a group resource share: a
// header of reserved 0, type 1 and the count, then entries of entrySize bytes whose first 12
// are alike (width and height, 0 for 256, colour count, reserved, planes, bits per pixel,
// length); id is read from the two bytes after them. False when the header is not one or
// the entries run past the end.
bool readIconDirectory(const std::string& data, size_t entrySize,
                       std::vector<IconGroupEntry>& entries);

// The entries of a group resource, each naming its icon by id.
bool readIconGroup(const std::string& data, std::vector<IconGroupEntry>& entries);

}  // namespace trellane
