#include "exe/resource_tree_reader.h"

#include <algorithm>
#include <set>

#include "exe/byte_access.h"

namespace trellane {

namespace {

constexpr uint32_t kHighBit = 0x80000000;  // a named entry, or an entry leading to a directory
constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr int kLanguageLevel = 3;

class TreeReader {
  public:
    TreeReader(const std::string& file, const PeImage& image, size_t base, size_t limit,
               std::string& problem)
        : file_(file), image_(image), base_(base), limit_(limit), problem_(problem) {}

    bool readDirectory(uint32_t offset, int level, Resource& path, ResourceList& out) {
        if (!fits(limit_, offset, kDirectorySize))
            return damaged("a resource directory lies outside the resource section");
        if (!visited_.insert(offset).second)
            return damaged("its resource tree reaches one directory twice");
        size_t at = base_ + offset;
        uint32_t count = uint32_t{readU16(file_, at + 12)} + readU16(file_, at + 14);
        if (!fits(limit_, offset + kDirectorySize, uint64_t{count} * kEntrySize))
            return damaged("a resource directory's entries run past the resource section");
        std::vector<ResourceName> keys;
        for (uint32_t i = 0; i < count; ++i) {
            size_t entry = at + kDirectorySize + i * kEntrySize;
            ResourceName key;
            if (!readKey(readU32(file_, entry), level, key)) return false;
            keys.push_back(key);
            uint32_t target = readU32(file_, entry + 4);
            if (((target & kHighBit) != 0) != (level < kLanguageLevel))
                return damaged(
                    "its resource tree is not three levels deep (type, name, "
                    "language)");
            if (level == 1) path.type = key;
            if (level == 2) path.name = key;
            if (level == kLanguageLevel) {
                path.language = key.id;
                if (!readData(target, path, out)) return false;
            } else if (!readDirectory(target & ~kHighBit, level + 1, path, out)) {
                return false;
            }
        }
        std::sort(keys.begin(), keys.end());
        if (std::adjacent_find(keys.begin(), keys.end()) != keys.end())
            return damaged("a resource directory lists one entry twice");
        return true;
    }

  private:
    const std::string& file_;
    const PeImage& image_;
    size_t base_;   // file offset of the tree's root
    size_t limit_;  // bytes of the resource section in the file from there
    std::string& problem_;
    std::set<uint32_t> visited_;
    uint64_t dataTotal_ = 0;

    bool damaged(const char* what) {
        problem_ = std::string("is damaged: ") + what;
        return false;
    }

    bool readKey(uint32_t field, int level, ResourceName& key) {
        if ((field & kHighBit) == 0) {
            if (field > 0xFFFF) return damaged("a resource entry's number is over 16 bits");
            key = ResourceName::number(static_cast<uint16_t>(field));
            return true;
        }
        if (level == kLanguageLevel) return damaged("a resource language entry has a name");
        uint32_t offset = field & ~kHighBit;
        if (!fits(limit_, offset, 2)) return damaged("a resource name lies outside the section");
        uint16_t length = readU16(file_, base_ + offset);
        if (length == 0) return damaged("a resource name is empty");
        if (!fits(limit_, offset + 2, uint64_t{length} * 2))
            return damaged("a resource name runs past the resource section");
        key.text.resize(length);
        for (uint16_t i = 0; i < length; ++i)
            key.text[i] = static_cast<char16_t>(readU16(file_, base_ + offset + 2 + 2 * i));
        return true;
    }

    bool readData(uint32_t offset, Resource& path, ResourceList& out) {
        if (!fits(limit_, offset, kDataEntrySize))
            return damaged("a resource data entry lies outside the resource section");
        size_t at = base_ + offset;
        uint32_t rva = readU32(file_, at);
        uint32_t size = readU32(file_, at + 4);
        size_t dataOffset = 0;
        if (size != 0 && !fileOffsetOf(image_, rva, size, dataOffset))
            return damaged("a resource's data lies outside the file's sections");
        dataTotal_ += size;
        if (dataTotal_ > file_.size())
            return damaged("its resources claim more data than the file holds");
        path.codePage = readU32(file_, at + 8);
        path.data = size != 0 ? file_.substr(dataOffset, size) : std::string();
        out.push_back(path);
        return true;
    }
};

}  // namespace

bool readResources(const std::string& file, const PeImage& image, ResourceList& resources,
                   std::string& problem) {
    resources.clear();
    PeDataDirectory directory = image.directory(kDirectoryResource);
    if (directory.address == 0 || directory.size == 0) {
        problem = "has no resources (no resource section)";
        return false;
    }
    const PeSection* section = sectionHolding(image, directory.address);
    uint32_t within = section ? directory.address - section->virtualAddress : 0;
    uint32_t inFile = section ? std::min(section->sizeOfRawData, section->loadedSize()) : 0;
    if (within >= inFile) {
        problem = "is damaged: its resource directory lies outside the file's sections";
        return false;
    }
    Resource path;
    TreeReader reader(file, image, section->pointerToRawData + within, inFile - within, problem);
    return reader.readDirectory(0, 1, path, resources);
}

}  // namespace trellane
