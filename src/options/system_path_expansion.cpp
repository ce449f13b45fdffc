#include "options/system_path_expansion.h"

#include <cstdint>
#include <vector>

#include "common/fail_fatal.h"

namespace trellane {

namespace {

constexpr char kPlaceholder[] = "<windows-system-path>";
constexpr size_t kPlaceholderLength = sizeof(kPlaceholder) - 1;
constexpr uint32_t kFirstBufferSize = 260;  // MAX_PATH: enough on almost every machine

}  // namespace

void expandWindowsSystemPath(std::string& option, SystemDirectoryQuery getSystemDirectory) {
    const size_t at = option.find(kPlaceholder);
    if (at == std::string::npos) return;

    std::vector<char> buffer(kFirstBufferSize);
    uint32_t length = getSystemDirectory(buffer.data(), kFirstBufferSize);
    // A too-small buffer gets back the size it needs; the directory may still change between
    // two calls, so ask until it fits.
    while (length >= buffer.size()) {
        if (length == UINT32_MAX) {  // no buffer size the query can be told would hold it
            length = 0;
            break;
        }
        buffer.resize(size_t{length} + 1);
        length = getSystemDirectory(buffer.data(), static_cast<uint32_t>(buffer.size()));
    }
    if (length == 0) failFatal("Could not determine the Windows system directory.");

    option.replace(at, kPlaceholderLength, buffer.data(), length);
}

}  // namespace trellane
