#include "exe/resource_section_edit.h"

#include <cstdint>

#include "exe/byte_access.h"
#include "exe/launcher_file.h"
#include "exe/pe_image.h"
#include "exe/resource_section_writer.h"

namespace trellane {

namespace {

constexpr size_t kSectionEntrySize = 40;
constexpr size_t kDebugEntrySize = 28;

const char* const kDirectoryNames[] = {"export",
                                       "import",
                                       "resource",
                                       "exception",
                                       "certificate",
                                       "base relocation",
                                       "debug",
                                       "architecture",
                                       "global pointer",
                                       "TLS",
                                       "load configuration",
                                       "bound import",
                                       "import address",
                                       "delay import",
                                       "CLR runtime",
                                       "reserved"};

bool fail(std::string& problem, std::string text) {
    problem = std::move(text);
    return false;
}

// Where a section lies in memory, up to the next section alignment.
bool inSection(const PeImage& image, const PeSection& section, uint64_t rva) {
    return rva >= section.virtualAddress &&
           rva < section.virtualAddress + alignUp(section.loadedSize(), image.sectionAlignment);
}

// The data directory (not the certificate table, which is a file offset) that points into
// the section and is not allowed to, or -1.
int directoryInside(const PeImage& image, const PeSection& section, size_t allowed) {
    for (size_t i = 0; i < image.directories.size(); ++i) {
        const PeDataDirectory& directory = image.directories[i];
        if (i == allowed || i == kDirectoryCertificate || !directory.present()) continue;
        if (inSection(image, section, directory.address)) return static_cast<int>(i);
    }
    return -1;
}

// Whether debug data lies at or after fileOffset: it would be overwritten or moved without
// its directory entry knowing.
bool debugDataFrom(const std::string& file, const PeImage& image, uint64_t fileOffset) {
    PeDataDirectory directory = image.directory(kDirectoryDebug);
    size_t at = 0;
    if (directory.size == 0 || !fileOffsetOf(image, directory.address, directory.size, at))
        return false;
    for (size_t entry = 0; entry + kDebugEntrySize <= directory.size; entry += kDebugEntrySize) {
        uint32_t pointer = readU32(file, at + entry + 24);
        if (readU32(file, at + entry + 16) != 0 && pointer >= fileOffset) return true;
    }
    return false;
}

struct Placement {
    size_t index = 0;          // of the resource section
    uint64_t oldRoom = 0;      // the file bytes its old data takes, padding included
    uint64_t newRawSize = 0;   // its new SizeOfRawData
    int64_t addressShift = 0;  // for the sections after it
    int64_t fileShift = 0;     // for everything in the file after its old room
};

// The file bytes the old section takes: its raw data, and up to the file alignment beyond it
// when nothing else starts there. A linker may leave SizeOfRawData short of the alignment
// (the loader takes it); what follows then starts at the next aligned offset, and counting
// the padding keeps every shift a multiple of the alignment.
uint64_t oldRoom(const std::string& file, const PeImage& image, size_t index) {
    const PeSection& resources = image.sections[index];
    uint64_t limit = file.size();
    for (const PeSection& section : image.sections)
        if (section.sizeOfRawData != 0 && section.pointerToRawData >= resources.fileEnd() &&
            section.pointerToRawData < limit)
            limit = section.pointerToRawData;
    if (image.pointerToSymbolTable >= resources.fileEnd() && image.pointerToSymbolTable < limit)
        limit = image.pointerToSymbolTable;
    uint64_t padded =
        resources.pointerToRawData + alignUp(uint64_t{resources.sizeOfRawData}, image.fileAlignment);
    return (padded < limit ? padded : limit) - resources.pointerToRawData;
}

// Whether the sections after the resource section, and all file data after the section's,
// may move: see the header.
bool followersCanMove(const PeImage& image, size_t index, std::string& blocker) {
    const PeSection& resources = image.sections[index];
    for (size_t i = 0; i < image.sections.size(); ++i) {
        const PeSection& section = image.sections[i];
        if (i == index || section.sizeOfRawData == 0) continue;
        bool after = i > index;
        if (after ? section.pointerToRawData < resources.fileEnd()
                  : section.fileEnd() > resources.pointerToRawData) {
            blocker = "'" + section.name + "' (its file data is out of order)";
            return false;
        }
    }
    for (size_t i = index + 1; i < image.sections.size(); ++i) {
        const PeSection& section = image.sections[i];
        if ((section.characteristics & kSectionDiscardable) == 0 ||
            directoryInside(image, section, kDirectoryBaseRelocation) >= 0) {
            blocker = "'" + section.name + "'";
            return false;
        }
    }
    return true;
}

bool placeSection(const std::string& file, const PeImage& image, size_t index, uint64_t newSize,
                  Placement& placement, std::string& problem) {
    const PeSection& resources = image.sections[index];
    placement.index = index;
    placement.oldRoom = oldRoom(file, image, index);
    placement.newRawSize = alignUp(newSize, image.fileAlignment);
    if (debugDataFrom(file, image, resources.pointerToRawData))
        return fail(problem, "is not supported: it has debug data after its resources");
    if (image.pointerToSymbolTable >= resources.pointerToRawData &&
        image.pointerToSymbolTable < resources.fileEnd())
        return fail(problem, "is damaged: its symbol table lies inside its resource section");
    std::string blocker;
    if (followersCanMove(image, index, blocker)) {
        if (index + 1 < image.sections.size())
            placement.addressShift =
                static_cast<int64_t>(
                    alignUp(resources.virtualAddress + newSize, image.sectionAlignment)) -
                image.sections[index + 1].virtualAddress;
        placement.fileShift = static_cast<int64_t>(placement.newRawSize) -
                              static_cast<int64_t>(placement.oldRoom);
        // Sections after it must stay at the file alignment: only a file whose next section
        // starts inside the resource section's padding gives another shift.
        bool sectionsFollow = false;
        for (size_t i = index + 1; i < image.sections.size(); ++i)
            sectionsFollow = sectionsFollow || image.sections[i].sizeOfRawData != 0;
        if (sectionsFollow && placement.fileShift % image.fileAlignment != 0)
            return fail(problem,
                        "is not supported: the section after its resource section starts at an "
                        "offset that is not a multiple of its file alignment");
        return true;
    }
    // Nothing may move: the new section must fit where the old one was.
    bool last = index + 1 == image.sections.size();
    if ((last || resources.virtualAddress + newSize <= image.sections[index + 1].virtualAddress) &&
        placement.newRawSize <= resources.sizeOfRawData) {
        placement.newRawSize = placement.oldRoom = resources.sizeOfRawData;
        return true;
    }
    return fail(problem,
                "is not supported: its new resources need more room than its resource section "
                "has, and the section " +
                    blocker + " cannot move");
}

// Where the image ends in memory once placed, before the last section alignment.
uint64_t newImageEnd(const PeImage& image, const Placement& placement, uint64_t newSize) {
    const PeSection& last = image.sections.back();
    if (placement.index + 1 == image.sections.size()) return last.virtualAddress + newSize;
    return last.virtualAddress + placement.addressShift + uint64_t{last.loadedSize()};
}

// The header fields of the file as placed: sections, directories, sizes, symbol table.
void rewriteHeaders(std::string& out, const PeImage& image, const Placement& placement,
                    uint64_t newSize) {
    const PeSection& resources = image.sections[placement.index];
    writeU32(out, resources.tableEntry + 8, static_cast<uint32_t>(newSize));
    writeU32(out, resources.tableEntry + 16, static_cast<uint32_t>(placement.newRawSize));
    for (size_t i = placement.index + 1; i < image.sections.size(); ++i) {
        const PeSection& section = image.sections[i];
        writeU32(out, section.tableEntry + 12,
                 static_cast<uint32_t>(section.virtualAddress + placement.addressShift));
        if (section.sizeOfRawData != 0)
            writeU32(out, section.tableEntry + 20,
                     static_cast<uint32_t>(section.pointerToRawData + placement.fileShift));
    }
    for (size_t i = 0; i < image.directories.size(); ++i) {
        const PeDataDirectory& directory = image.directories[i];
        if (!directory.present() || i == kDirectoryCertificate) continue;
        for (size_t s = placement.index + 1; s < image.sections.size(); ++s)
            if (inSection(image, image.sections[s], directory.address))
                writeU32(out, image.directoryField(i),
                         static_cast<uint32_t>(directory.address + placement.addressShift));
    }
    writeU32(out, image.directoryField(kDirectoryResource) + 4, static_cast<uint32_t>(newSize));

    writeU32(out, image.sizeOfImageField(),
             static_cast<uint32_t>(
                 alignUp(newImageEnd(image, placement, newSize), image.sectionAlignment)));
    // Adjusted by the change rather than summed again: linkers disagree on what it counts.
    if (resources.characteristics & kSectionInitializedData)
        writeU32(out, image.sizeOfInitializedDataField(),
                 static_cast<uint32_t>(readU32(out, image.sizeOfInitializedDataField()) +
                                       placement.newRawSize - resources.sizeOfRawData));
    if (image.pointerToSymbolTable >= resources.fileEnd())
        writeU32(out, image.symbolTableField(),
                 static_cast<uint32_t>(image.pointerToSymbolTable + placement.fileShift));
}

bool findResourceSection(const PeImage& image, size_t& index, std::string& problem) {
    PeDataDirectory directory = image.directory(kDirectoryResource);
    if (directory.address == 0 || directory.size == 0)
        return fail(problem, "has no resources (no resource section)");
    for (index = 0; index < image.sections.size(); ++index)
        if (image.sections[index].virtualAddress == directory.address) break;
    if (index == image.sections.size())
        return fail(problem, "is not supported: its resources do not start a section of their own");
    const PeSection& section = image.sections[index];
    if (section.sizeOfRawData == 0)
        return fail(problem, "is damaged: its resource section has no data in the file");
    size_t tableEnd = image.sections.back().tableEntry + kSectionEntrySize;
    if (section.pointerToRawData < tableEnd)
        return fail(problem, "is damaged: its resource section overlaps the headers");
    int other = directoryInside(image, section, kDirectoryResource);
    if (other >= 0)
        return fail(problem, std::string("is not supported: its resource section also holds the ") +
                                 kDirectoryNames[other] + " directory");
    return true;
}

}  // namespace

bool replaceResourceSection(std::string& file, const ResourceList& resources,
                            std::string& problem) {
    PeImage image;
    if (!readPeImage(file, image, problem)) return false;
    if (image.directory(kDirectoryCertificate).present())
        return fail(problem,
                    "is signed: its signature must be removed before its resources "
                    "change");
    size_t index = 0;
    if (!findResourceSection(image, index, problem)) return false;
    const PeSection& old = image.sections[index];
    std::string fresh;
    if (!buildResourceSection(resources, old.virtualAddress, fresh, problem)) {
        problem = "cannot take these resources: " + problem;
        return false;
    }
    Placement placement;
    if (!placeSection(file, image, index, fresh.size(), placement, problem)) return false;
    if (alignUp(newImageEnd(image, placement, fresh.size()), image.sectionAlignment) > 0xFFFFFFFF ||
        static_cast<int64_t>(file.size()) + placement.fileShift > 0xFFFFFFFF)
        return fail(problem, "cannot take these resources: the image would pass 4 GiB");
    // The bound a launcher read is held to holds for the one written too.
    if (static_cast<int64_t>(file.size()) + placement.fileShift >
        static_cast<int64_t>(kMaxLauncherFileSize))
        return fail(problem, "cannot take these resources: the file would be larger than " +
                                 std::to_string(kMaxLauncherFileSize >> 20) +
                                 " MiB, more than any launcher");

    std::string out = file.substr(0, old.pointerToRawData);
    out += fresh;
    out.resize(old.pointerToRawData + placement.newRawSize, '\0');
    out.append(file, old.pointerToRawData + placement.oldRoom, std::string::npos);
    rewriteHeaders(out, image, placement, fresh.size());
    file.swap(out);
    return true;
}

}  // namespace trellane
