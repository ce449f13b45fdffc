#include "config/block_parser.h"

#include <cstring>

#include "config/block_format.h"

namespace trellane {

namespace {

const char kNotStamped[] =
    "This launcher has no launch configuration: stamp it with trellane-stamp first.";
const char kDamaged[] =
    "The launch configuration of this launcher is damaged: it runs past the end of its area.";

bool isUnstamped(const unsigned char* area, size_t size) {
    if (size == 0 || area[size - 1] != 0) return false;
    for (size_t i = 0; i + 1 < size; ++i)
        if (area[i] != static_cast<unsigned char>(kUnstampedFill)) return false;
    return true;
}

// A cursor that refuses to step past the area instead of reading beyond it.
struct Cursor {
    const unsigned char* p;
    const unsigned char* end;

    bool readByte(unsigned char& out) {
        if (p >= end) return false;
        out = *p++;
        return true;
    }
    bool readString(std::string& out) {
        const void* nul = std::memchr(p, 0, static_cast<size_t>(end - p));
        if (nul == nullptr) return false;
        const unsigned char* stop = static_cast<const unsigned char*>(nul);
        out.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(stop - p));
        p = stop + 1;
        return true;
    }
};

bool readField(Cursor& c, const BlockField& field, LaunchConfig& config) {
    unsigned char byte = 0;
    switch (field.kind) {
        case FieldKind::FlagByte:
            if (!c.readByte(byte)) return false;
            for (const FlagBit& bit : kFlagBits) config.*bit.field = (byte & bit.mask) != 0;
            return true;
        case FieldKind::StackSize:
            config.launchThreadStackSize = 0;
            for (int i = 0; i < 4; ++i) {
                if (!c.readByte(byte)) return false;
                config.launchThreadStackSize = (config.launchThreadStackSize << 8) | byte;
            }
            return true;
        case FieldKind::String:
            return c.readString(config.*field.text);
        case FieldKind::StringList: {
            StringList& list = config.*field.list;
            if (!c.readByte(byte)) return false;
            list.resize(byte);
            for (std::string& entry : list)
                if (!c.readString(entry)) return false;
            return true;
        }
    }
    return false;
}

}  // namespace

const char* parseLaunchConfig(const unsigned char* area, size_t areaSize, LaunchConfig& config) {
    if (isUnstamped(area, areaSize)) return kNotStamped;
    Cursor cursor{area, area + areaSize};
    for (const BlockField& field : kBlockFields)
        if (!readField(cursor, field, config)) return kDamaged;
    config.singleInstance = holdsInstanceOption(config.jvmOptions);
    return nullptr;
}

}  // namespace trellane
