#include "exe/resource_section_writer.h"

#include <algorithm>
#include <vector>

#include "exe/byte_access.h"

namespace trellane {

namespace {

constexpr uint32_t kHighBit = 0x80000000;
constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr size_t kDataAlignment = 8;

struct NameNode {
    const ResourceName* name;
    size_t first;  // index of its first language in the sorted list
    size_t count;
};

struct TypeNode {
    const ResourceName* type;
    std::vector<NameNode> names;
};

bool named(const ResourceName& name) {
    return !name.text.empty();
}

// The sorted list grouped by type, then by name.
std::vector<TypeNode> groupTree(const std::vector<const Resource*>& sorted) {
    std::vector<TypeNode> types;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const Resource& resource = *sorted[i];
        if (types.empty() || !(*types.back().type == resource.type))
            types.push_back(TypeNode{&resource.type, {}});
        std::vector<NameNode>& names = types.back().names;
        if (names.empty() || !(*names.back().name == resource.name))
            names.push_back(NameNode{&resource.name, i, 0});
        ++names.back().count;
    }
    return types;
}

class SectionLayout {
  public:
    SectionLayout(const std::vector<const Resource*>& sorted, const std::vector<TypeNode>& types)
        : sorted_(sorted), types_(types) {}

    // Assigns every offset; the section's size.
    uint64_t place() {
        uint64_t at = kDirectorySize + kEntrySize * types_.size();
        for (const TypeNode& type : types_) {
            typeDirectories_.push_back(at);
            at += kDirectorySize + kEntrySize * type.names.size();
        }
        for (const TypeNode& type : types_)
            for (const NameNode& name : type.names) {
                nameDirectories_.push_back(at);
                at += kDirectorySize + kEntrySize * name.count;
            }
        dataEntries_ = at;
        at += kDataEntrySize * sorted_.size();
        // In the order write() takes them: every type's, then every name's.
        for (const TypeNode& type : types_) at = placeName(*type.type, at);
        for (const TypeNode& type : types_)
            for (const NameNode& name : type.names) at = placeName(*name.name, at);
        for (const Resource* resource : sorted_) {
            at = alignUp(at, kDataAlignment);
            data_.push_back(at);
            at += resource->data.size();
        }
        return at;
    }

    void write(std::string& section, uint32_t rva) const {
        size_t typeDirectory = 0, nameDirectory = 0, string = 0;
        writeDirectory(section, 0, types_.size(), [&](size_t i, uint32_t& key, uint32_t& target) {
            key = keyOf(*types_[i].type, string);
            target = kHighBit | static_cast<uint32_t>(typeDirectories_[typeDirectory++]);
        });
        for (size_t t = 0; t < types_.size(); ++t) {
            const TypeNode& type = types_[t];
            writeDirectory(section, typeDirectories_[t], type.names.size(),
                           [&](size_t i, uint32_t& key, uint32_t& target) {
                               key = keyOf(*type.names[i].name, string);
                               target = kHighBit |
                                        static_cast<uint32_t>(nameDirectories_[nameDirectory++]);
                           });
        }
        size_t n = 0;
        for (const TypeNode& type : types_)
            for (const NameNode& name : type.names)
                writeDirectory(section, nameDirectories_[n++], name.count,
                               [&](size_t i, uint32_t& key, uint32_t& target) {
                                   key = sorted_[name.first + i]->language;
                                   target = static_cast<uint32_t>(
                                       dataEntries_ + kDataEntrySize * (name.first + i));
                               });
        for (size_t i = 0; i < sorted_.size(); ++i) {
            const Resource& resource = *sorted_[i];
            size_t entry = dataEntries_ + kDataEntrySize * i;
            writeU32(section, entry, rva + static_cast<uint32_t>(data_[i]));
            writeU32(section, entry + 4, static_cast<uint32_t>(resource.data.size()));
            writeU32(section, entry + 8, resource.codePage);
            section.replace(data_[i], resource.data.size(), resource.data);
        }
        for (size_t i = 0; i < names_.size(); ++i) {
            const std::u16string& text = names_[i]->text;
            writeU16(section, strings_[i], static_cast<uint16_t>(text.size()));
            for (size_t c = 0; c < text.size(); ++c)
                writeU16(section, strings_[i] + 2 + 2 * c, static_cast<uint16_t>(text[c]));
        }
    }

  private:
    const std::vector<const Resource*>& sorted_;
    const std::vector<TypeNode>& types_;
    std::vector<uint64_t> typeDirectories_, nameDirectories_, data_, strings_;
    std::vector<const ResourceName*> names_;  // in the order their strings were placed
    uint64_t dataEntries_ = 0;

    uint64_t placeName(const ResourceName& name, uint64_t at) {
        if (!named(name)) return at;
        names_.push_back(&name);
        strings_.push_back(at);
        return at + 2 + 2 * name.text.size();
    }

    // A numbered entry's key, or a named entry's string: strings were placed in the order
    // the directories are written, so the next one is the next string.
    uint32_t keyOf(const ResourceName& name, size_t& string) const {
        if (!named(name)) return name.id;
        return kHighBit | static_cast<uint32_t>(strings_[string++]);
    }

    template <typename Entry>
    static void writeDirectory(std::string& section, uint64_t at, size_t count, Entry entry) {
        size_t namedCount = 0;
        for (size_t i = 0; i < count; ++i) {
            uint32_t key = 0, target = 0;
            entry(i, key, target);
            if (key & kHighBit) ++namedCount;
            writeU32(section, at + kDirectorySize + kEntrySize * i, key);
            writeU32(section, at + kDirectorySize + kEntrySize * i + 4, target);
        }
        writeU16(section, at + 12, static_cast<uint16_t>(namedCount));
        writeU16(section, at + 14, static_cast<uint16_t>(count - namedCount));
    }
};

bool sameEntry(const Resource* a, const Resource* b) {
    return a->type == b->type && a->name == b->name && a->language == b->language;
}

}  // namespace

bool buildResourceSection(const ResourceList& resources, uint32_t rva, std::string& section,
                          std::string& problem) {
    std::vector<const Resource*> sorted;
    for (const Resource& resource : resources) {
        if (resource.type.text.size() > 0xFFFF || resource.name.text.size() > 0xFFFF) {
            problem = "a resource name is longer than 65535 characters";
            return false;
        }
        sorted.push_back(&resource);
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Resource* a, const Resource* b) { return resourceOrder(*a, *b); });
    if (std::adjacent_find(sorted.begin(), sorted.end(), sameEntry) != sorted.end()) {
        problem = "two resources have the same type, name and language";
        return false;
    }
    std::vector<TypeNode> types = groupTree(sorted);
    SectionLayout layout(sorted, types);
    uint64_t size = layout.place();
    if (size > uint64_t{0xFFFFFFFF} - rva) {
        problem = "the resources do not fit in a 64-bit executable's 4 GiB image";
        return false;
    }
    section.assign(size, '\0');
    layout.write(section, rva);
    return true;
}

}  // namespace trellane
