#include "exe/pe_header_fields.h"

#include "exe/byte_access.h"
#include "exe/pe_image.h"

namespace trellane {

uint32_t imageChecksum(const std::string& file, size_t checksumField) {
    // The field counts as zeros, which is what skipping it comes to wherever it lies.
    auto byteAt = [&](size_t i) -> uint32_t {
        if (i >= file.size() || (i >= checksumField && i < checksumField + 4)) return 0;
        return static_cast<unsigned char>(file[i]);
    };
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        sum += byteAt(i) | byteAt(i + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

bool writeChecksum(std::string& file, std::string& problem) {
    PeImage image;
    if (!readPeImage(file, image, problem)) return false;
    writeU32(file, image.checksumField(), imageChecksum(file, image.checksumField()));
    return true;
}

bool writeSubsystem(std::string& file, uint16_t subsystem, std::string& problem) {
    PeImage image;
    if (!readPeImage(file, image, problem)) return false;
    writeU16(file, image.subsystemField(), subsystem);
    return true;
}

}  // namespace trellane
