#include "brand/icon_group.h"

#include "brand/little_endian.h"

namespace trellane {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 14;

}  // namespace

std::string writeIconGroup(const std::vector<IconGroupEntry>& entries) {
    std::string group;
    appendLittle(group, 0, 2);
    appendLittle(group, 1, 2);  // icons, not cursors
    appendLittle(group, static_cast<uint32_t>(entries.size()), 2);
    for (const IconGroupEntry& entry : entries) {
        appendLittle(group, entry.width & 0xFF, 1);
        appendLittle(group, entry.height & 0xFF, 1);
        appendLittle(group, 0, 1);  // colour count: none below 8 bits per pixel
        appendLittle(group, 0, 1);
        appendLittle(group, 1, 2);  // planes
        appendLittle(group, entry.bitCount, 2);
        appendLittle(group, entry.length, 4);
        appendLittle(group, entry.id, 2);
    }
    return group;
}

bool readIconDirectory(const std::string& data, size_t entrySize,
                       std::vector<IconGroupEntry>& entries) {
    if (data.size() < kHeaderSize || readLittle(data, 0, 2) != 0 || readLittle(data, 2, 2) != 1)
        return false;
    size_t count = readLittle(data, 4, 2);
    if (kHeaderSize + count * entrySize > data.size()) return false;
    entries.clear();
    for (size_t i = 0; i < count; ++i) {
        size_t at = kHeaderSize + i * entrySize;
        IconGroupEntry entry;
        entry.width = data[at] == 0 ? 256 : static_cast<unsigned char>(data[at]);
        entry.height = data[at + 1] == 0 ? 256 : static_cast<unsigned char>(data[at + 1]);
        entry.bitCount = static_cast<int>(readLittle(data, at + 6, 2));
        entry.length = readLittle(data, at + 8, 4);
        entry.id = static_cast<uint16_t>(readLittle(data, at + 12, 2));
        entries.push_back(entry);
    }
    return true;
}

bool readIconGroup(const std::string& data, std::vector<IconGroupEntry>& entries) {
    return readIconDirectory(data, kEntrySize, entries);
}

}  // namespace trellane
