#include "exe/area_locator.h"

#include "config/block_format.h"
#include "config/block_parser.h"
#include "config/block_writer.h"

namespace trellane {

namespace {

// Calls visit(end, underscores) for every NUL byte at index end that has room for a whole
// area before it, with the number of underscores right before that NUL.
template <typename Visit>
void forEachAreaEnd(const std::string& file, Visit visit) {
    size_t underscores = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == kUnstampedFill) {
            ++underscores;
            continue;
        }
        if (file[i] == '\0' && i + 1 >= kConfigAreaSize) visit(i, underscores);
        underscores = 0;
    }
}

// The places with the most underscores after their block. With onlyFilled, only NULs that
// follow a NUL and a run of underscores are tried: the end of a block that left some of the
// area as it was built, which is rare enough in an executable to skip most parsing.
std::vector<StampedArea> bestStampedAreas(const std::string& file, bool onlyFilled) {
    std::vector<StampedArea> best;
    forEachAreaEnd(file, [&](size_t end, size_t underscores) {
        if (underscores >= kConfigAreaSize - 1) return;  // unstamped
        if (onlyFilled && (underscores == 0 || file[end - underscores - 1] != '\0')) return;
        // A place with fewer underscores before its NUL than the best so far cannot win.
        if (!best.empty() && underscores < best.front().fill) return;
        StampedArea area;
        if (!readStampedArea(file, end + 1 - kConfigAreaSize, area)) return;
        if (!best.empty() && area.fill > best.front().fill) best.clear();
        if (best.empty() || area.fill == best.front().fill) best.push_back(std::move(area));
    });
    return best;
}

}  // namespace

std::vector<size_t> findUnstampedAreas(const std::string& file) {
    std::vector<size_t> offsets;
    forEachAreaEnd(file, [&](size_t end, size_t underscores) {
        if (underscores >= kConfigAreaSize - 1) offsets.push_back(end + 1 - kConfigAreaSize);
    });
    return offsets;
}

bool readStampedArea(const std::string& file, size_t offset, StampedArea& area) {
    if (offset > file.size() || file.size() - offset < kConfigAreaSize) return false;
    const char* bytes = file.data() + offset;
    if (bytes[kConfigAreaSize - 1] != '\0') return false;
    area = StampedArea{};
    area.offset = offset;
    // The parser is bounds-checked, so any offset is safe to try, and it refuses an area
    // that holds only underscores.
    if (parseLaunchConfig(reinterpret_cast<const unsigned char*>(bytes), kConfigAreaSize,
                          area.config) != nullptr)
        return false;
    // The parsed record written again gives the block's size: it does not depend on the
    // flag bits that the parser ignores and the writer leaves clear.
    std::string block, problem;
    if (!writeBlock(area.config, block, problem)) return false;
    area.blockSize = block.size();
    for (size_t i = area.blockSize; i + 1 < kConfigAreaSize; ++i)
        if (bytes[i] != kUnstampedFill) return false;
    area.fill = area.blockSize < kConfigAreaSize ? kConfigAreaSize - 1 - area.blockSize : 0;
    return true;
}

std::vector<StampedArea> findStampedArea(const std::string& file) {
    std::vector<StampedArea> best = bestStampedAreas(file, true);
    if (best.empty() || best.front().fill == 0) best = bestStampedAreas(file, false);
    return best;
}

}  // namespace trellane
