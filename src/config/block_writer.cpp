#include "config/block_writer.h"

#include "config/block_format.h"

namespace trellane {

namespace {

// what names the string in a refusal: the field, and for a list entry its 1-based place.
bool appendString(const std::string& text, const std::string& what, std::string& block,
                  std::string& problem) {
    if (text.find('\0') != std::string::npos) {
        problem = what + " holds a NUL byte, which the block cannot store";
        return false;
    }
    block += text;
    block += '\0';
    return true;
}

bool appendField(const BlockField& field, const LaunchConfig& config, std::string& block,
                 std::string& problem) {
    switch (field.kind) {
        case FieldKind::FlagByte: {
            unsigned char flags = 0;
            for (const FlagBit& bit : kFlagBits)
                if (config.*bit.field) flags |= bit.mask;
            block += static_cast<char>(flags);
            return true;
        }
        case FieldKind::StackSize:
            for (int shift = 24; shift >= 0; shift -= 8)
                block += static_cast<char>((config.launchThreadStackSize >> shift) & 0xFF);
            return true;
        case FieldKind::String:
            return appendString(config.*field.text, field.name, block, problem);
        case FieldKind::StringList: {
            const StringList& list = config.*field.list;
            if (list.size() > kMaxListEntries) {
                problem = std::string(field.name) + " has " + std::to_string(list.size()) +
                          " entries; a list holds at most " + std::to_string(kMaxListEntries);
                return false;
            }
            block += static_cast<char>(list.size());
            for (size_t i = 0; i < list.size(); ++i) {
                std::string what = std::string(field.name) + " entry " + std::to_string(i + 1);
                if (!appendString(list[i], what, block, problem)) return false;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool writeBlock(const LaunchConfig& config, std::string& block, std::string& problem) {
    block.clear();
    for (const BlockField& field : kBlockFields)
        if (!appendField(field, config, block, problem)) return false;
    // The block always ends on a zero byte (a string's terminator or an empty list's
    // count), so one that fills the area exactly ends on the area's own NUL.
    if (block.size() > kConfigAreaSize) {
        problem = "the block takes " + std::to_string(block.size()) +
                  " bytes; the configuration area holds " + std::to_string(kConfigAreaSize);
        return false;
    }
    return true;
}

}  // namespace trellane
