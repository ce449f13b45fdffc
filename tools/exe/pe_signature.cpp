#include "exe/pe_signature.h"

#include "exe/byte_access.h"
#include "exe/pe_image.h"

namespace trellane {

namespace {

constexpr uint64_t kSignerAlignment = 8;

}  // namespace

bool removeSignature(std::string& file, bool& removed, std::string& problem) {
    removed = false;
    PeImage image;
    if (!readPeImage(file, image, problem)) return false;
    PeDataDirectory table = image.directory(kDirectoryCertificate);
    if (!table.present()) return true;
    uint64_t sectionsEnd = endOfSectionData(image);
    if (table.address < sectionsEnd || !fits(file.size(), table.address, table.size)) {
        problem = "is damaged: its certificate table is not after the sections, inside the file";
        return false;
    }
    uint64_t start = table.address;
    uint64_t end = start + table.size;
    // The signer pads the file to 8 bytes before the table; cut that too when nothing but
    // the padding separates the table from the sections.
    if (start - sectionsEnd < kSignerAlignment &&
        file.find_first_not_of('\0', sectionsEnd) >= start)
        start = sectionsEnd;
    file.erase(start, end - start);
    writeU32(file, image.directoryField(kDirectoryCertificate), 0);
    writeU32(file, image.directoryField(kDirectoryCertificate) + 4, 0);
    removed = true;
    return true;
}

}  // namespace trellane
