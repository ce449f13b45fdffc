#include "exe/pe_image.h"

#include <cstdio>

#include "exe/byte_access.h"

namespace trellane {

namespace {

constexpr size_t kOptionalHeaderFixedSize = 112;  // PE32+, up to the data directories
constexpr size_t kSectionEntrySize = 40;
constexpr size_t kMaxSections = 96;  // the loader's own limit
constexpr size_t kMaxDirectories = 16;

bool isPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// What the format allows: powers of two, the file's from 512 bytes to 64 KiB and no larger than
// the section's, or both the same below a page (an image laid out in the file as in memory).
// A larger file alignment would pad each edited section to gigabytes.
bool areAllowedAlignments(uint32_t file, uint32_t section) {
    if (!isPowerOfTwo(file) || !isPowerOfTwo(section) || file > section) return false;
    return (file >= 0x200 && file <= 0x10000) || (section < 0x1000 && file == section);
}

bool fail(std::string& problem, std::string text) {
    problem = std::move(text);
    return false;
}

bool readHeaders(const std::string& file, PeImage& image, uint16_t& sectionCount,
                 std::string& problem) {
    PeKind kind;
    if (!readPeKind(file, kind, problem)) return false;
    image.coffHeader = kind.coffHeader;
    sectionCount = readU16(file, image.coffHeader + 2);
    image.pointerToSymbolTable = readU32(file, image.coffHeader + 8);
    uint16_t optionalSize = readU16(file, image.coffHeader + 16);
    image.optionalHeader = image.coffHeader + 20;
    if (optionalSize < 2 || !fits(file.size(), image.optionalHeader, optionalSize))
        return fail(problem, "is damaged: its optional header runs past the end of the file");
    if (kind.magic == kMagicPe32)
        return fail(problem,
                    "is a 32-bit executable (PE32); only 64-bit (PE32+) executables "
                    "can be edited");
    if (kind.magic != kMagicPe32Plus || optionalSize < kOptionalHeaderFixedSize)
        return fail(problem,
                    "is not a 64-bit executable (PE32+): its optional header is not "
                    "one");

    image.sectionAlignment = readU32(file, image.optionalHeader + 32);
    image.fileAlignment = readU32(file, image.optionalHeader + 36);
    if (!areAllowedAlignments(image.fileAlignment, image.sectionAlignment)) {
        char text[320];
        std::snprintf(text, sizeof text,
                      "is damaged: its alignments are not ones the format allows (file 0x%X, "
                      "section 0x%X: powers of two, the file's from 512 bytes to 64 KiB and no "
                      "larger than the section's, or both the same below 4 KiB)",
                      image.fileAlignment, image.sectionAlignment);
        return fail(problem, text);
    }
    image.subsystem = readU16(file, image.subsystemField());

    uint32_t directoryCount = readU32(file, image.optionalHeader + 108);
    if (directoryCount > (optionalSize - kOptionalHeaderFixedSize) / 8)
        return fail(problem,
                    "is damaged: it declares more data directories than its optional "
                    "header holds");
    image.directories.resize(directoryCount < kMaxDirectories ? directoryCount : kMaxDirectories);
    for (size_t i = 0; i < image.directories.size(); ++i) {
        image.directories[i].address = readU32(file, image.directoryField(i));
        image.directories[i].size = readU32(file, image.directoryField(i) + 4);
    }
    return true;
}

bool readSections(const std::string& file, PeImage& image, uint16_t count, std::string& problem) {
    size_t table = image.optionalHeader + readU16(file, image.coffHeader + 16);
    if (count > kMaxSections || !fits(file.size(), table, uint64_t{count} * kSectionEntrySize))
        return fail(problem,
                    "is damaged: its section table runs past the end of the file or "
                    "holds more than 96 sections");
    for (size_t i = 0; i < count; ++i) {
        PeSection section;
        section.tableEntry = table + i * kSectionEntrySize;
        std::string name = file.substr(section.tableEntry, 8);
        section.name = name.substr(0, name.find('\0'));
        section.virtualSize = readU32(file, section.tableEntry + 8);
        section.virtualAddress = readU32(file, section.tableEntry + 12);
        section.sizeOfRawData = readU32(file, section.tableEntry + 16);
        section.pointerToRawData = readU32(file, section.tableEntry + 20);
        section.characteristics = readU32(file, section.tableEntry + 36);
        if (section.sizeOfRawData != 0 &&
            !fits(file.size(), section.pointerToRawData, section.sizeOfRawData))
            return fail(problem, "is damaged or truncated: the data of its section '" +
                                     section.name + "' runs past the end of the file");
        if (!image.sections.empty()) {
            const PeSection& before = image.sections.back();
            if (section.virtualAddress < uint64_t{before.virtualAddress} + before.loadedSize())
                return fail(problem,
                            "is damaged: its sections overlap or are not in address "
                            "order ('" +
                                before.name + "', '" + section.name + "')");
        }
        image.sections.push_back(std::move(section));
    }
    return true;
}

}  // namespace

bool readPeKind(const std::string& file, PeKind& kind, std::string& problem) {
    kind = PeKind{};
    if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z')
        return fail(problem, "is not a Windows executable (no MZ header)");
    uint32_t peOffset = readU32(file, 0x3C);
    if (!fits(file.size(), peOffset, 4 + 20) || file.compare(peOffset, 4, "PE\0\0", 4) != 0)
        return fail(problem,
                    "is not a Windows executable (no PE header where the MZ header "
                    "points)");
    kind.coffHeader = peOffset + 4;
    kind.machine = readU16(file, kind.coffHeader);
    kind.characteristics = readU16(file, kind.coffHeader + 18);
    if (readU16(file, kind.coffHeader + 16) >= 2 && fits(file.size(), kind.coffHeader + 20, 2))
        kind.magic = readU16(file, kind.coffHeader + 20);
    return true;
}

std::string machineName(uint16_t machine) {
    switch (machine) {
        case kMachineAmd64: return "x86-64";
        case kMachineI386: return "x86 (32-bit)";
        case kMachineArm64: return "ARM64";
        case kMachineArmNt: return "ARM (32-bit)";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "machine 0x%04X", machine);
            return text;
        }
    }
}

bool readPeImage(const std::string& file, PeImage& image, std::string& problem) {
    image = PeImage{};
    uint16_t sectionCount = 0;
    return readHeaders(file, image, sectionCount, problem) &&
           readSections(file, image, sectionCount, problem);
}

const PeSection* sectionHolding(const PeImage& image, uint64_t rva) {
    for (const PeSection& section : image.sections)
        if (rva >= section.virtualAddress &&
            rva < uint64_t{section.virtualAddress} + section.loadedSize())
            return &section;
    return nullptr;
}

bool fileOffsetOf(const PeImage& image, uint32_t rva, uint32_t length, size_t& offset) {
    const PeSection* section = sectionHolding(image, rva);
    if (section == nullptr) return false;
    uint32_t within = rva - section->virtualAddress;
    // Only what the file holds: bytes past the raw data are zeros the loader supplies.
    uint32_t inFile = section->sizeOfRawData < section->loadedSize() ? section->sizeOfRawData
                                                                     : section->loadedSize();
    if (!fits(inFile, within, length)) return false;
    offset = section->pointerToRawData + within;
    return true;
}

uint64_t endOfSectionData(const PeImage& image) {
    uint64_t end = 0;
    for (const PeSection& section : image.sections)
        if (section.sizeOfRawData != 0 && section.fileEnd() > end) end = section.fileEnd();
    return end;
}

}  // namespace trellane
