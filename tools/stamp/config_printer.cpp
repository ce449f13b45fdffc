#include "stamp/config_printer.h"

#include <cinttypes>

#include "common/shown_text.h"
#include "config/block_format.h"

namespace trellane {

namespace {

// Wide enough for "allowedUserOptionPrefixes:" and a space.
constexpr int kLabelWidth = 27;

std::string describeFlags(unsigned char flagByte) {
    char text[64];
    unsigned known = 0;
    for (const FlagBit& bit : kFlagBits) known |= bit.mask;
    unsigned reserved = flagByte & ~known & 0xFFu;
    if (reserved == 0) {
        std::snprintf(text, sizeof text, "0x%02X", flagByte);
    } else {
        std::snprintf(text, sizeof text, "0x%02X (reserved bits 0x%02X set, ignored)", flagByte,
                      reserved);
    }
    return text;
}

std::string describeStackSize(uint32_t bytes) {
    std::string text = std::to_string(bytes);
    if (bytes == 0) return text + " (the executable's default)";
    if (bytes % (1024 * 1024) == 0) return text + " (" + std::to_string(bytes >> 20) + " MiB)";
    if (bytes % 1024 == 0) return text + " (" + std::to_string(bytes >> 10) + " KiB)";
    return text;
}

void printField(std::FILE* out, const BlockField& field, const LaunchConfig& config,
                unsigned char flagByte) {
    switch (field.kind) {
        case FieldKind::FlagByte:
            printShowLine(out, field.name, describeFlags(flagByte));
            for (const FlagBit& bit : kFlagBits)
                printShowItem(out, bit.name, config.*bit.field ? "yes" : "no");
            return;
        case FieldKind::StackSize:
            printShowLine(out, field.name, describeStackSize(config.launchThreadStackSize));
            return;
        case FieldKind::String:
            printShowLine(out, field.name, quoteText(config.*field.text));
            return;
        case FieldKind::StringList: {
            const StringList& list = config.*field.list;
            printShowLine(out, field.name, std::to_string(list.size()));
            for (size_t i = 0; i < list.size(); ++i)
                std::fprintf(out, "  %zu %s\n", i + 1, quoteText(list[i]).c_str());
            return;
        }
    }
}

}  // namespace

void printShowLine(std::FILE* out, const std::string& label, const std::string& value) {
    std::fprintf(out, "%-*s%s\n", kLabelWidth, (label + ":").c_str(), value.c_str());
}

void printShowItem(std::FILE* out, const std::string& name, const std::string& value) {
    std::fprintf(out, "  %-*s%s\n", kLabelWidth - 2, name.c_str(), value.c_str());
}

std::string quoteText(const std::string& text) {
    return "\"" + escapeControls(text, "\"") + "\"";
}

void printStampedArea(std::FILE* out, const StampedArea& area, unsigned char flagByte) {
    char where[96];
    std::snprintf(where, sizeof where, "%zu (0x%zX)", area.offset, area.offset);
    printShowLine(out, "area offset", where);
    printShowLine(
        out, "block size",
        std::to_string(area.blockSize) + " of " + std::to_string(kConfigAreaSize) + " bytes");
    for (const BlockField& field : kBlockFields) printField(out, field, area.config, flagByte);
}

}  // namespace trellane
