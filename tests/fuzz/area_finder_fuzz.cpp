// The stamp tool's area finder against a plain search (every NUL tried with readStampedArea),
// and its printer: what show prints holds no control character, and a quoted text reads back.
//
// Areas are 16 KiB, so the input is a short description of the file (see decodeFile): a few
// bytes say "an unstamped area", "an area stamped with these bytes" or "this many underscores".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/block_format.h"
#include "exe/area_locator.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "stamp/config_printer.h"

namespace trellane {
namespace {

constexpr size_t kMaxFileSize = 4 * kConfigAreaSize;

const std::string kUnstampedArea = std::string(kConfigAreaSize - 1, kUnstampedFill) + '\0';

// 0xF8 and a two-byte count: that many underscores. 0xF9: an unstamped area. 0xFA, a two-byte
// count and that many bytes: an area stamped with them (the bytes, underscores, the final NUL).
// 0xFB and a byte: that byte. Any other byte: itself.
std::string decodeFile(fuzz::FuzzInput& input) {
    std::string file;
    while (!input.empty() && file.size() < kMaxFileSize) {
        const uint8_t byte = input.byte();
        if (byte == 0xF8) {
            size_t count = size_t{input.byte()} << 8;
            file.append(count | input.byte(), kUnstampedFill);
        } else if (byte == 0xF9) {
            file += kUnstampedArea;
        } else if (byte == 0xFA) {
            std::string area = input.longText().substr(0, kConfigAreaSize);
            area += kUnstampedArea.substr(area.size());
            area.back() = '\0';
            file += area;
        } else {
            file += static_cast<char>(byte == 0xFB ? input.byte() : byte);
        }
    }
    return file;
}

std::vector<UnstampedArea> referenceUnstamped(const std::string& file) {
    std::vector<UnstampedArea> areas;
    for (size_t end = 0; end < file.size(); ++end) {
        if (file[end] != '\0') continue;
        size_t run = 0;
        while (run < end && file[end - run - 1] == kUnstampedFill) ++run;
        if (run >= kConfigAreaSize - 1) areas.push_back({end + 1 - kConfigAreaSize, run});
    }
    return areas;
}

StampedPlaces referenceStamped(const std::string& file,
                               const std::vector<UnstampedArea>& unstamped) {
    StampedPlaces best;
    for (size_t end = kConfigAreaSize - 1; end < file.size(); ++end) {
        if (file[end] != '\0') continue;
        const size_t start = end + 1 - kConfigAreaSize;
        bool overlaps = false;
        for (const UnstampedArea& area : unstamped)
            overlaps = overlaps || (area.offset <= end && start < area.offset + kConfigAreaSize);
        StampedArea area;
        if (overlaps || !readStampedArea(file, start, area)) continue;
        if (area.fill == 0 && !unstamped.empty()) continue;
        if (best.count > 0 && area.fill < best.fill) continue;
        if (best.count == 0 || area.fill > best.fill) best = StampedPlaces{0, area.fill, {}};
        ++best.count;
        if (best.offsets.size() < kListedPlaces) best.offsets.push_back(start);
    }
    return best;
}

// No byte a terminal acts on reaches it, but the line breaks.
void checkPrintable(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(byte >= 0x20 || byte == '\n');
        FUZZ_CHECK(byte != 0x7F);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        FUZZ_CHECK(!c1);
    }
}

// quoteText undone: the quotes off, \" \\ and \xNN back to their bytes.
std::string unquote(const std::string& quoted) {
    FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
    std::string text;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            FUZZ_CHECK(quoted[i] != '"');
            text += quoted[i];
        } else if (quoted[i + 1] == 'x') {
            text += static_cast<char>(std::strtoul(quoted.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            text += quoted[++i];
        }
    }
    return text;
}

void checkPrinted(const std::string& file, size_t offset) {
    StampedArea area;
    FUZZ_CHECK(readStampedArea(file, offset, area));
    char* printed = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&printed, &length);
    printStampedArea(out, area, static_cast<unsigned char>(file[offset]));
    std::fclose(out);
    checkPrintable(std::string(printed, length));
    std::free(printed);
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    fuzz::FuzzInput input(data, size);
    const std::string text = input.text();
    const std::string quoted = quoteText(text);
    checkPrintable(quoted);
    FUZZ_CHECK(unquote(quoted) == text);

    const std::string file = decodeFile(input);
    const std::vector<UnstampedArea> unstamped = findUnstampedAreas(file);
    const std::vector<UnstampedArea> expected = referenceUnstamped(file);
    FUZZ_CHECK(unstamped.size() == expected.size());
    for (size_t i = 0; i < unstamped.size(); ++i) {
        FUZZ_CHECK(unstamped[i].offset == expected[i].offset);
        FUZZ_CHECK(unstamped[i].underscores == expected[i].underscores);
    }

    const StampedPlaces places = findStampedPlaces(file, unstamped);
    const StampedPlaces reference = referenceStamped(file, unstamped);
    FUZZ_CHECK(places.count == reference.count);
    FUZZ_CHECK(places.count == 0 || places.fill == reference.fill);
    FUZZ_CHECK(places.offsets == reference.offsets);
    if (places.count == 1) checkPrinted(file, places.offsets.front());
    return 0;
}
