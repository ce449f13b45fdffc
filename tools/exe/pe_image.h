// The headers of a 64-bit Windows executable (PE32+), read from bytes that may be damaged or
// hostile: every offset and size is checked against the file before it is used, so a bad
// file gives a problem to report, never a read out of range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

constexpr size_t kDirectoryExport = 0;
constexpr size_t kDirectoryResource = 2;
constexpr size_t kDirectoryCertificate = 4;  // its address is a file offset, not an RVA
constexpr size_t kDirectoryBaseRelocation = 5;
constexpr size_t kDirectoryDebug = 6;

constexpr uint16_t kSubsystemGui = 2;
constexpr uint16_t kSubsystemConsole = 3;

constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineArm64 = 0xAA64;
constexpr uint16_t kMachineArmNt = 0x01C4;
constexpr uint16_t kFileDll = 0x2000;  // COFF characteristics: a library, not a program

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

constexpr uint32_t kSectionInitializedData = 0x00000040;
constexpr uint32_t kSectionDiscardable = 0x02000000;

struct PeSection {
    std::string name;  // the table's 8 bytes up to the first NUL
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t sizeOfRawData = 0;
    uint32_t pointerToRawData = 0;
    uint32_t characteristics = 0;
    size_t tableEntry = 0;  // file offset of the section's 40-byte table entry

    // What the loader maps: the virtual size, or the raw size when a linker left it 0.
    uint32_t loadedSize() const { return virtualSize != 0 ? virtualSize : sizeOfRawData; }
    uint64_t fileEnd() const { return uint64_t{pointerToRawData} + sizeOfRawData; }
};

struct PeDataDirectory {
    uint32_t address = 0;
    uint32_t size = 0;

    bool present() const { return address != 0 || size != 0; }
};

struct PeImage {
    size_t coffHeader = 0;      // file offset of the COFF header, after "PE\0\0"
    size_t optionalHeader = 0;  // file offset of the optional header
    uint32_t fileAlignment = 0;
    uint32_t sectionAlignment = 0;
    uint32_t pointerToSymbolTable = 0;  // the COFF symbols of an unstripped image; 0 when none
    uint16_t subsystem = 0;
    std::vector<PeDataDirectory> directories;  // as many as the header holds, at most 16
    std::vector<PeSection> sections;           // in address order (checked)

    PeDataDirectory directory(size_t index) const {
        return index < directories.size() ? directories[index] : PeDataDirectory{};
    }
    // File offsets of the header fields the editor rewrites.
    size_t sizeOfInitializedDataField() const { return optionalHeader + 8; }
    size_t sizeOfImageField() const { return optionalHeader + 56; }
    size_t checksumField() const { return optionalHeader + 64; }
    size_t subsystemField() const { return optionalHeader + 68; }
    size_t directoryField(size_t index) const { return optionalHeader + 112 + 8 * index; }
    size_t symbolTableField() const { return coffHeader + 8; }
};

// What a Windows executable is built for, from its first headers alone: enough to name a
// 32-bit or an ARM file where a 64-bit x86 one is wanted.
struct PeKind {
    size_t coffHeader = 0;         // file offset of the COFF header, after "PE\0\0"
    uint16_t machine = 0;          // kMachineAmd64, kMachineI386, ...
    uint16_t characteristics = 0;  // the COFF header's, e.g. kFileDll
    uint16_t magic = 0;            // kMagicPe32Plus, kMagicPe32; 0 without an optional header
};

// Reads the MZ and PE headers; false with a problem ("is not a Windows executable ...") when
// the file has none.
bool readPeKind(const std::string& file, PeKind& kind, std::string& problem);

// A processor's name for messages: "x86-64", "x86 (32-bit)", "ARM64", ...
std::string machineName(uint16_t machine);

// Reads and checks the headers and the section table; false with a problem ("is not ...",
// "is damaged: ...") when the file is not a PE32+ image the editor can work on.
bool readPeImage(const std::string& file, PeImage& image, std::string& problem);

// The section whose loaded range holds rva, or nullptr.
const PeSection* sectionHolding(const PeImage& image, uint64_t rva);

// The file offset of length bytes at rva, when they all lie in one section's file data.
bool fileOffsetOf(const PeImage& image, uint32_t rva, uint32_t length, size_t& offset);

// Where the section data ends in the file: what lies beyond is appended data (and the
// certificate table).
uint64_t endOfSectionData(const PeImage& image);

}  // namespace trellane
