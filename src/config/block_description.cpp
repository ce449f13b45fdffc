#include "config/block_description.h"

#include <cstdio>

#include "config/block_format.h"

namespace trellane {

namespace {

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// Where the next field starts: a number while every field before it has a fixed size, then
// that number plus the main class name's length n, then only "next".
struct OffsetTracker {
    size_t fixedBytes = 0;
    bool afterName = false;
    bool known = true;

    std::string text() const {
        if (!known) return "next";
        std::string offset = std::to_string(fixedBytes);
        return afterName ? offset + " + n" : offset;
    }
    void advancePast(FieldKind kind) {
        switch (kind) {
            case FieldKind::FlagByte:
                fixedBytes += 1;
                break;
            case FieldKind::StackSize:
                fixedBytes += 4;
                break;
            case FieldKind::String:
                if (known && !afterName) {
                    afterName = true;
                    fixedBytes += 1;
                } else {
                    known = false;
                }
                break;
            case FieldKind::StringList:
                known = false;
                break;
        }
    }
};

const char* sizeOf(FieldKind kind, bool namesN) {
    switch (kind) {
        case FieldKind::FlagByte:
            return "1";
        case FieldKind::StackSize:
            return "4";
        case FieldKind::String:
            return namesN ? "n + 1" : "variable";
        case FieldKind::StringList:
            return "variable";
    }
    return "";
}

const char* encodingOf(FieldKind kind, bool namesN) {
    switch (kind) {
        case FieldKind::FlagByte:
            return "one byte, bits below";
        case FieldKind::StackSize:
            return "unsigned 32-bit, most significant byte first";
        case FieldKind::String:
            return namesN ? "n bytes of UTF-8 text, then 0x00" : "UTF-8 text, then 0x00";
        case FieldKind::StringList:
            return "a count byte (0 to 255), then each entry's UTF-8 text and 0x00";
    }
    return "";
}

std::string fieldTable() {
    std::string table =
        "| Offset | Size | Field | Encoding | Meaning |\n"
        "|---|---|---|---|---|\n";
    OffsetTracker offset;
    for (const BlockField& field : kBlockFields) {
        bool namesN = field.kind == FieldKind::String && offset.known && !offset.afterName;
        table += "| " + offset.text() + " | " + sizeOf(field.kind, namesN) + " | `" + field.name +
                 "` | " + encodingOf(field.kind, namesN) + " | " + field.meaning + " |\n";
        offset.advancePast(field.kind);
    }
    table += "| next | rest of the " + std::to_string(kConfigAreaSize) +
             "-byte area | | underscores, then the area's final 0x00 | never read |\n";
    return table;
}

std::string flagTable() {
    std::string table =
        "| Bit | Mask | Field | Meaning |\n"
        "|---|---|---|---|\n";
    unsigned used = 0;
    for (const FlagBit& bit : kFlagBits) {
        int position = 0;
        while ((bit.mask >> position) != 1) ++position;
        table += "| " + std::to_string(position) + " | " + hexByte(bit.mask) + " | `" + bit.name +
                 "` | " + bit.meaning + " |\n";
        used |= bit.mask;
    }
    std::string reservedBits;
    for (int position = 0; position < 8; ++position) {
        if (used & (1u << position)) continue;
        if (!reservedBits.empty()) reservedBits += ", ";
        reservedBits += std::to_string(position);
    }
    table += "| " + reservedBits + " | " + hexByte(~used) +
             " | | reserved: ignored when read, written as 0 |\n";
    return table;
}

}  // namespace

std::string describeBlockFormat() {
    return fieldTable() + "\n" + flagTable();
}

}  // namespace trellane
