#include "hosting/jar_entry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "hosting/inflate.h"

namespace trellane {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;      // end of central directory
constexpr uint32_t kCentralSignature = 0x02014b50;  // central directory header
constexpr uint32_t kLocalSignature = 0x04034b50;    // local file header
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxComment = 0xFFFF;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kEncrypted = 0x0001;
// A central directory larger than this is no jar a launcher ships (some 500,000 entries).
constexpr size_t kMaxCentralDirectory = 64u << 20;

uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct OpenFile {
    const FileReader& files;
    void* handle;
    ~OpenFile() {
        if (handle != nullptr) files.close(handle);
    }
    bool read(uint64_t offset, size_t size, std::vector<unsigned char>& into) {
        into.resize(size);
        return size == 0 || files.read(handle, offset, into.data(), size);
    }
};

struct CentralDirectory {
    uint64_t offset = 0;
    size_t size = 0;
};

// The end record is the last 22 bytes, or comes before a comment of at most 64 KiB: the last
// signature whose comment length reaches exactly to the end of the file.
bool findCentralDirectory(OpenFile& file, uint64_t fileSize, CentralDirectory& found) {
    if (fileSize < kEndSize) return false;
    size_t tail = static_cast<size_t>(std::min<uint64_t>(fileSize, kEndSize + kMaxComment));
    std::vector<unsigned char> bytes;
    if (!file.read(fileSize - tail, tail, bytes)) return false;
    for (size_t at = tail - kEndSize + 1; at-- > 0;) {
        const unsigned char* end = bytes.data() + at;
        if (le32(end) != kEndSignature || at + kEndSize + le16(end + 20) != tail) continue;
        found.size = le32(end + 12);
        found.offset = le32(end + 16);
        // 0xFFFFFFFF is zip64's mark; such a jar keeps its directory elsewhere.
        return found.offset != 0xFFFFFFFFu && found.size <= kMaxCentralDirectory &&
               found.offset + found.size <= fileSize - tail + at;
    }
    return false;
}

struct EntryPlace {
    uint16_t method = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

bool findEntry(const std::vector<unsigned char>& directory, const std::string& name,
               EntryPlace& place) {
    size_t at = 0;
    while (directory.size() - at >= kCentralSize) {
        const unsigned char* header = directory.data() + at;
        if (le32(header) != kCentralSignature) return false;
        size_t nameLength = le16(header + 28);
        size_t next = at + kCentralSize + nameLength + le16(header + 30) + le16(header + 32);
        if (next > directory.size()) return false;
        if (nameLength == name.size() &&
            std::memcmp(header + kCentralSize, name.data(), nameLength) == 0) {
            if (le16(header + 8) & kEncrypted) return false;
            place.method = le16(header + 10);
            place.compressedSize = le32(header + 20);
            place.size = le32(header + 24);
            place.localOffset = le32(header + 42);
            return true;
        }
        at = next;
    }
    return false;
}

}  // namespace

bool readJarEntry(const char* jarPath, const std::string& entryName, const FileReader& files,
                  size_t maxSize, std::string& bytes) {
    bytes.clear();
    OpenFile file{files, files.open(jarPath)};
    if (file.handle == nullptr) return false;
    int64_t fileSize = files.size(file.handle);
    CentralDirectory central;
    std::vector<unsigned char> directory, local, data;
    EntryPlace place;
    if (fileSize < 0 || !findCentralDirectory(file, static_cast<uint64_t>(fileSize), central) ||
        !file.read(central.offset, central.size, directory) ||
        !findEntry(directory, entryName, place) || place.size > maxSize ||
        (place.method != kStored && place.method != kDeflated) ||
        !file.read(place.localOffset, kLocalSize, local) || le32(local.data()) != kLocalSignature)
        return false;
    // The data follows the local header's own name and extra field, whose lengths may differ
    // from the central directory's.
    uint64_t dataOffset = uint64_t{place.localOffset} + kLocalSize + le16(local.data() + 26) +
                          le16(local.data() + 28);
    if (dataOffset + place.compressedSize > static_cast<uint64_t>(fileSize) ||
        !file.read(dataOffset, place.compressedSize, data))
        return false;
    if (place.method == kStored) {
        if (place.compressedSize != place.size) return false;
        bytes.assign(data.begin(), data.end());
        return true;
    }
    return inflateRaw(data.data(), data.size(), place.size, bytes);
}

}  // namespace trellane
