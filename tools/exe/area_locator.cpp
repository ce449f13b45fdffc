#include "exe/area_locator.h"

#include "config/block_format.h"
#include "config/block_parser.h"
#include "config/block_writer.h"

namespace trellane {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The NUL bytes among the last bytes scanned (an area's worth at least), ranked, so the k-th NUL
// at or after a position is found in constant time. A block is fixed-size fields, strings
// that each end at the next NUL and count bytes, so this reads a whole block in a few steps
// per field instead of one per byte: every NUL of a file can be tried as an area's end.
class NulRanks {
  public:
    NulRanks() : nulsBefore_(kWindow), nulAt_(kWindow) {}

    // Called for every byte of the file, in order.
    void scan(size_t position, char byte) {
        nulsBefore_[position & (kWindow - 1)] = nuls_;
        if (byte == '\0') nulAt_[nuls_++ & (kWindow - 1)] = position;
    }

    // Where the k-th NUL (k >= 1) at or after position lies, or kNone when it is not scanned
    // yet. position must be one of the last kConfigAreaSize bytes scanned, so no more than
    // kConfigAreaSize NULs lie between it and the last one.
    size_t nthNulFrom(size_t position, size_t k) const {
        size_t rank = nulsBefore_[position & (kWindow - 1)] + k - 1;
        return rank < nuls_ ? nulAt_[rank & (kWindow - 1)] : kNone;
    }

  private:
    // A power of two of at least one area, so that a mask finds a position's slot.
    static constexpr size_t kWindow = 32768;
    static_assert(kWindow >= kConfigAreaSize && (kWindow & (kWindow - 1)) == 0);

    std::vector<size_t> nulsBefore_;  // by position: how many NULs come before it
    std::vector<size_t> nulAt_;       // by rank: the position of the NUL
    size_t nuls_ = 0;
};

// The size of the block the launcher's parser reads from the area start..end (end is the
// last byte scanned), or 0 when the block runs past the area: parseLaunchConfig's walk, one
// step per field.
size_t blockSizeAt(const std::string& file, const NulRanks& nuls, size_t start, size_t end) {
    size_t at = start;
    for (const BlockField& field : kBlockFields) {
        size_t strings = 0;
        switch (field.kind) {
            case FieldKind::FlagByte:
                at += 1;
                break;
            case FieldKind::StackSize:
                at += 4;
                break;
            case FieldKind::String:
                strings = 1;
                break;
            case FieldKind::StringList:
                if (at > end) return 0;
                strings = static_cast<unsigned char>(file[at++]);
                break;
        }
        if (strings == 0) continue;
        if (at > end) return 0;
        size_t nul = nuls.nthNulFrom(at, strings);
        if (nul == kNone) return 0;
        at = nul + 1;
    }
    return at > end + 1 ? 0 : at - start;
}

// Keeps the places with the most fill; the first kListedPlaces of them by offset.
void considerPlace(StampedPlaces& best, size_t offset, size_t fill) {
    if (best.count > 0 && fill < best.fill) return;
    if (best.count == 0 || fill > best.fill) {
        best = StampedPlaces{};
        best.fill = fill;
    }
    ++best.count;
    if (best.offsets.size() < kListedPlaces) best.offsets.push_back(offset);
}

}  // namespace

std::vector<UnstampedArea> findUnstampedAreas(const std::string& file) {
    std::vector<UnstampedArea> areas;
    size_t underscores = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == kUnstampedFill) {
            ++underscores;
            continue;
        }
        if (file[i] == '\0' && underscores >= kConfigAreaSize - 1)
            areas.push_back({i + 1 - kConfigAreaSize, underscores});
        underscores = 0;
    }
    return areas;
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

StampedPlaces findStampedPlaces(const std::string& file,
                                const std::vector<UnstampedArea>& unstamped) {
    StampedPlaces best;
    if (file.size() < kConfigAreaSize) return best;
    NulRanks nuls;
    auto nextUnstamped = unstamped.begin();
    size_t underscores = 0;
    for (size_t end = 0; end < file.size(); ++end) {
        nuls.scan(end, file[end]);
        if (file[end] == kUnstampedFill) {
            ++underscores;
            continue;
        }
        const size_t run = underscores;
        underscores = 0;
        // Only a NUL ends an area; a run of a whole area's underscores is an unstamped one.
        if (file[end] != '\0' || end + 1 < kConfigAreaSize || run >= kConfigAreaSize - 1) continue;
        const size_t start = end + 1 - kConfigAreaSize;
        const size_t blockSize = blockSizeAt(file, nuls, start, end);
        // The block must reach back to the run of underscores before the NUL: readStampedArea
        // wants nothing but underscores between them.
        if (blockSize == 0 || blockSize + run < kConfigAreaSize - 1) continue;
        while (nextUnstamped != unstamped.end() && nextUnstamped->offset + kConfigAreaSize <= start)
            ++nextUnstamped;
        if (nextUnstamped != unstamped.end() && nextUnstamped->offset < end + 1) continue;
        const size_t fill = blockSize < kConfigAreaSize ? kConfigAreaSize - 1 - blockSize : 0;
        if (fill == 0 && !unstamped.empty()) continue;
        considerPlace(best, start, fill);
    }
    return best;
}

}  // namespace trellane
