#include "exe/pe_signature.h"

#include "exe/byte_access.h"
#include "exe/pe_image.h"

namespace trellane {

namespace {

constexpr uint64_t kSignerAlignment = 8;

// A WIN_CERTIFICATE: dwLength (the header included), wRevision, wCertificateType, the data.
constexpr uint64_t kCertificateHeaderSize = 8;
constexpr uint16_t kCertificateRevision2 = 0x0200;
constexpr uint16_t kCertificatePkcsSignedData = 0x0002;

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

bool readSignatureBlob(const std::string& file, std::string& blob, bool& found,
                       std::string& problem) {
    found = false;
    PeImage image;
    if (!readPeImage(file, image, problem)) return false;
    PeDataDirectory table = image.directory(kDirectoryCertificate);
    if (!table.present()) return true;
    found = true;
    if (!fits(file.size(), table.address, table.size)) {
        problem = "is damaged: its certificate table does not lie inside the file";
        return false;
    }
    uint64_t end = uint64_t{table.address} + table.size;
    for (uint64_t entry = table.address; entry < end;) {
        uint32_t length = end - entry >= kCertificateHeaderSize ? readU32(file, entry) : 0;
        if (length < kCertificateHeaderSize || length > end - entry) {
            problem = "is damaged: an entry of its certificate table does not fit in the table";
            return false;
        }
        if (readU16(file, entry + 4) == kCertificateRevision2 &&
            readU16(file, entry + 6) == kCertificatePkcsSignedData) {
            blob = file.substr(entry + kCertificateHeaderSize, length - kCertificateHeaderSize);
            return true;
        }
        entry += alignUp(length, kSignerAlignment);
    }
    problem = "has a certificate table without an Authenticode signature (PKCS #7 SignedData)";
    return false;
}

}  // namespace trellane
