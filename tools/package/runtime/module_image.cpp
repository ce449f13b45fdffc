#include "package/runtime/module_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace trellane {

namespace {

// The image header: magic, version, flags, resource count, table length, locations size,
// strings size; each a 32-bit number in the byte order of the system the image is for.
constexpr uint32_t kMagic = 0xCAFEDADA;
constexpr uint32_t kMajorVersion = 1;
constexpr size_t kHeaderSize = 7 * 4;
// The index of a whole JDK is a few MB; anything near this is not an image.
constexpr uint64_t kMaxIndexSize = 256u << 20;
constexpr uint32_t kMaxClassSize = 1u << 20;

// What a location's attributes say, by kind (the kind is the byte's top five bits).
enum Attribute { kEnd, kModule, kParent, kBase, kExtension, kOffset, kCompressed, kUncompressed,
                 kAttributeCount };

uint32_t littleU32(const std::string& bytes, size_t at) {
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

bool readAt(int fd, uint64_t offset, uint64_t length, std::string& bytes) {
    bytes.resize(length);
    size_t done = 0;
    while (done < length) {
        ssize_t got = pread(fd, &bytes[done], length - done, static_cast<off_t>(offset + done));
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

// The attributes of the location at offset, each a big-endian number of 1 to 8 bytes.
bool decodeLocation(const std::string& locations, size_t offset, uint64_t (&values)[kAttributeCount]) {
    for (uint64_t& value : values) value = 0;
    while (offset < locations.size()) {
        unsigned char head = static_cast<unsigned char>(locations[offset++]);
        unsigned kind = head >> 3;
        if (kind == kEnd) return true;
        size_t length = (head & 7u) + 1;
        if (kind >= kAttributeCount || length > locations.size() - offset) return false;
        uint64_t value = 0;
        for (size_t i = 0; i < length; ++i)
            value = value << 8 | static_cast<unsigned char>(locations[offset++]);
        values[kind] = value;
    }
    return false;
}

bool stringIs(const std::string& strings, uint64_t offset, const char* expected) {
    size_t length = std::char_traits<char>::length(expected);
    return offset < strings.size() && strings.size() - offset > length &&
           strings.compare(offset, length, expected) == 0 && strings[offset + length] == '\0';
}

// The class file's constant pool and attributes, read for the Module attribute's version.
class ClassReader {
public:
    explicit ClassReader(const std::string& bytes) : bytes_(bytes) {}

    std::string moduleVersion() {
        if (u4() != 0xCAFEBABE) return "";
        skip(4);  // minor, major
        size_t count = u2();
        utf8_.assign(count, {0, 0});
        isUtf8_.assign(count, false);
        for (size_t i = 1; i < count && ok_; ++i) {
            unsigned tag = u1();
            switch (tag) {
                case 1: {  // Utf8
                    size_t length = u2();
                    utf8_[i] = {at_, length};
                    isUtf8_[i] = true;
                    skip(length);
                    break;
                }
                case 3: case 4: skip(4); break;                   // Integer, Float
                case 5: case 6: skip(8); ++i; break;              // Long, Double: two slots
                case 7: case 8: case 16: case 19: case 20: skip(2); break;
                case 9: case 10: case 11: case 12: case 17: case 18: skip(4); break;
                case 15: skip(3); break;                          // MethodHandle
                default: ok_ = false;
            }
        }
        skip(6);             // access flags, this class, super class
        skip(2 * u2());      // interfaces
        for (int members = 0; members < 2 && ok_; ++members) {  // fields, then methods
            size_t count = u2();
            for (size_t i = 0; i < count && ok_; ++i) {
                skip(6);
                skipAttributes();
            }
        }
        size_t attributes = u2();
        for (size_t i = 0; i < attributes && ok_; ++i) {
            size_t name = u2();
            uint32_t length = u4();
            size_t body = at_;
            if (isNamed(name, "Module")) {
                skip(4);  // module name, flags
                size_t version = u2();
                if (!ok_ || version == 0 || version >= count || !isUtf8_[version]) return "";
                return bytes_.substr(utf8_[version].first, utf8_[version].second);
            }
            at_ = body;
            skip(length);
        }
        return "";
    }

private:
    unsigned u1() {
        if (!ok_ || at_ >= bytes_.size()) {
            ok_ = false;
            return 0;
        }
        return static_cast<unsigned char>(bytes_[at_++]);
    }
    unsigned u2() { unsigned high = u1(); return high << 8 | u1(); }
    uint32_t u4() { uint32_t high = u2(); return high << 16 | u2(); }
    void skip(uint64_t length) {
        if (!ok_ || length > bytes_.size() - at_) ok_ = false;
        else at_ += length;
    }
    void skipAttributes() {
        size_t count = u2();
        for (size_t i = 0; i < count && ok_; ++i) {
            skip(2);
            skip(u4());
        }
    }
    bool isNamed(size_t index, const char* name) const {
        return index < isUtf8_.size() && isUtf8_[index] &&
               bytes_.compare(utf8_[index].first, utf8_[index].second, name) == 0;
    }

    const std::string& bytes_;
    size_t at_ = 0;
    bool ok_ = true;
    std::vector<std::pair<size_t, size_t>> utf8_;  // offset and length of each Utf8 constant
    std::vector<bool> isUtf8_;
};

std::string readJavaBaseVersion(int fd, uint64_t fileSize) {
    std::string header;
    if (fileSize < kHeaderSize || !readAt(fd, 0, kHeaderSize, header)) return "";
    if (littleU32(header, 0) != kMagic || littleU32(header, 4) >> 16 != kMajorVersion) return "";
    uint64_t tableLength = littleU32(header, 16);
    uint64_t locationsSize = littleU32(header, 20);
    uint64_t stringsSize = littleU32(header, 24);
    uint64_t indexSize = kHeaderSize + 8 * tableLength + locationsSize + stringsSize;
    if (indexSize > kMaxIndexSize || indexSize > fileSize) return "";

    // The redirect table comes first; the offsets table after it gives each location.
    std::string offsets, locations, strings;
    uint64_t offsetsAt = kHeaderSize + 4 * tableLength;
    if (!readAt(fd, offsetsAt, 4 * tableLength, offsets) ||
        !readAt(fd, offsetsAt + 4 * tableLength, locationsSize, locations) ||
        !readAt(fd, offsetsAt + 4 * tableLength + locationsSize, stringsSize, strings))
        return "";
    for (uint64_t i = 0; i < tableLength; ++i) {
        uint64_t values[kAttributeCount];
        if (!decodeLocation(locations, littleU32(offsets, 4 * i), values)) continue;
        if (!stringIs(strings, values[kModule], "java.base") ||
            !stringIs(strings, values[kParent], "") ||
            !stringIs(strings, values[kBase], "module-info") ||
            !stringIs(strings, values[kExtension], "class"))
            continue;
        uint64_t size = values[kUncompressed];
        if (values[kCompressed] != 0 || size > kMaxClassSize ||
            values[kOffset] > fileSize - indexSize || size > fileSize - indexSize - values[kOffset])
            return "";
        std::string classFile;
        if (!readAt(fd, indexSize + values[kOffset], size, classFile)) return "";
        return ClassReader(classFile).moduleVersion();
    }
    return "";
}

}  // namespace

std::string javaBaseVersion(const std::string& modulesFile) {
    int fd = open(modulesFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return "";
    struct stat info;
    std::string version;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        version = readJavaBaseVersion(fd, static_cast<uint64_t>(info.st_size));
    close(fd);
    return version;
}

}  // namespace trellane
