// Small PE32+ files made in the test: headers, a section table, sections laid out one after
// another in memory and in the file, optional appended data and certificate table. The
// fields are those a linker fills; no code, no imports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exe/byte_access.h"
#include "exe/pe_image.h"
#include "exe/resource_section_writer.h"

namespace trellane::fixture {

constexpr uint32_t kCode = 0x60000020;
constexpr uint32_t kData = 0xC0000040;
constexpr uint32_t kReadOnly = 0x40000040;
constexpr uint32_t kRelocations = 0x42000040;  // discardable, as linkers mark .reloc
constexpr uint32_t kZeroFill = 0xC0000080;     // uninitialized data: no bytes in the file

struct Section {
    std::string name;
    std::string data;      // its file data, padded to the file alignment
    uint32_t virtualSize;  // 0: the data's size
    uint32_t characteristics;
    ResourceList resources;  // when not empty, data is this resource section
};

struct Image {
    std::vector<Section> sections;
    int resourceSection = -1;    // where the resource directory points
    int relocationSection = -1;  // where the base relocation directory points
    std::string appended;        // after the last section's data
    std::string certificate;     // after that, as a signature's table
    uint32_t fileAlignment = 0x200;
    uint32_t sectionAlignment = 0x1000;
};

constexpr size_t kPeHeader = 0x40;
constexpr size_t kOptionalHeader = kPeHeader + 4 + 20;
constexpr size_t kOptionalHeaderSize = 240;
constexpr size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;

inline uint32_t sectionAddress(const Image& image, size_t index) {
    uint32_t address = image.sectionAlignment;
    for (size_t i = 0; i < index; ++i) {
        const Section& s = image.sections[i];
        uint32_t size = s.virtualSize ? s.virtualSize : static_cast<uint32_t>(s.data.size());
        address += static_cast<uint32_t>(alignUp(size, image.sectionAlignment));
    }
    return address;
}

inline std::string build(Image image) {
    for (size_t i = 0; i < image.sections.size(); ++i) {
        Section& s = image.sections[i];
        std::string problem;
        if (!s.resources.empty())
            buildResourceSection(s.resources, sectionAddress(image, i), s.data, problem);
    }
    size_t count = image.sections.size();
    uint32_t headers =
        static_cast<uint32_t>(alignUp(kSectionTable + 40 * count, image.fileAlignment));
    std::string file(headers, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    writeU32(file, 0x3C, kPeHeader);
    file.replace(kPeHeader, 4, std::string("PE\0\0", 4));
    writeU16(file, kPeHeader + 4, 0x8664);
    writeU16(file, kPeHeader + 6, static_cast<uint16_t>(count));
    writeU16(file, kPeHeader + 20, kOptionalHeaderSize);
    writeU16(file, kPeHeader + 22, 0x22);
    writeU16(file, kOptionalHeader, 0x20B);
    writeU32(file, kOptionalHeader + 32, image.sectionAlignment);
    writeU32(file, kOptionalHeader + 36, image.fileAlignment);
    writeU32(file, kOptionalHeader + 60, headers);
    writeU16(file, kOptionalHeader + 68, kSubsystemGui);
    writeU32(file, kOptionalHeader + 108, 16);

    uint32_t initialized = 0, end = image.sectionAlignment;
    for (size_t i = 0; i < count; ++i) {
        const Section& s = image.sections[i];
        size_t entry = kSectionTable + 40 * i;
        uint32_t address = sectionAddress(image, i);
        uint32_t virtualSize = s.virtualSize ? s.virtualSize : static_cast<uint32_t>(s.data.size());
        uint32_t raw = static_cast<uint32_t>(alignUp(s.data.size(), image.fileAlignment));
        file.replace(entry, s.name.size(), s.name);
        writeU32(file, entry + 8, virtualSize);
        writeU32(file, entry + 12, address);
        writeU32(file, entry + 16, raw);
        writeU32(file, entry + 20, raw ? static_cast<uint32_t>(file.size()) : 0);
        writeU32(file, entry + 36, s.characteristics);
        if (s.characteristics & kSectionInitializedData) initialized += raw;
        end = address + static_cast<uint32_t>(alignUp(virtualSize, image.sectionAlignment));
        file += s.data;
        file.resize(alignUp(file.size(), image.fileAlignment), '\0');
        size_t directory = i == size_t(image.resourceSection)     ? kDirectoryResource
                           : i == size_t(image.relocationSection) ? kDirectoryBaseRelocation
                                                                  : 0;
        if (directory != 0) {
            writeU32(file, kOptionalHeader + 112 + 8 * directory, address);
            writeU32(file, kOptionalHeader + 112 + 8 * directory + 4, virtualSize);
        }
    }
    writeU32(file, kOptionalHeader + 8, initialized);
    writeU32(file, kOptionalHeader + 56, end);
    file += image.appended;
    if (!image.certificate.empty()) {
        size_t field = kOptionalHeader + 112 + 8 * kDirectoryCertificate;
        writeU32(file, field, static_cast<uint32_t>(file.size()));
        writeU32(file, field + 4, static_cast<uint32_t>(image.certificate.size()));
        file += image.certificate;
    }
    return file;
}

inline Resource resource(ResourceName type, ResourceName name, uint16_t language,
                         std::string data) {
    return Resource{std::move(type), std::move(name), language, 0, std::move(data)};
}

inline ResourceName named(const char16_t* text) {
    return ResourceName{0, text};
}

inline ResourceName number(uint16_t id) {
    return ResourceName::number(id);
}

// A launcher-like image: code, data, zero-filled data, resources, then base relocations.
inline Image launcherLike(ResourceList resources) {
    Image image;
    image.sections = {
        {".text", std::string(0x300, '\xC3'), 0, kCode, {}},
        {".data", "data bytes", 0, kData, {}},
        {".bss", "", 0x80, kZeroFill, {}},
        {".rsrc", "", 0, kData, std::move(resources)},
        {".reloc",
         std::string("\x00\x10\x00\x00\x0C\x00\x00\x00\x08\xA0\x00\x00", 12),
         0,
         kRelocations,
         {}},
    };
    image.resourceSection = 3;
    image.relocationSection = 4;
    return image;
}

}  // namespace trellane::fixture
