#include "probe/res_file.h"

#include "brand/little_endian.h"

namespace trellane {

namespace {

void alignToFour(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('\0');
}

void appendName(std::string& out, const ResourceName& name) {
    if (name.text.empty()) {
        appendLittle(out, 0xFFFF, 2);
        appendLittle(out, name.id, 2);
        return;
    }
    for (char16_t c : name.text) appendLittle(out, c, 2);
    appendLittle(out, 0, 2);
}

bool readName(const std::string& bytes, size_t& at, size_t end, ResourceName& name) {
    if (at + 4 > end) return false;
    if (readLittle(bytes, at, 2) == 0xFFFF) {
        name = ResourceName::number(static_cast<uint16_t>(readLittle(bytes, at + 2, 2)));
        at += 4;
        return true;
    }
    name = ResourceName{};
    for (; at + 2 <= end; at += 2) {
        char16_t c = static_cast<char16_t>(readLittle(bytes, at, 2));
        if (c == 0) {
            at += 2;
            return true;
        }
        name.text.push_back(c);
    }
    return false;
}

}  // namespace

bool readResFile(const std::string& bytes, ResourceList& resources) {
    resources.clear();
    for (size_t at = 0; at < bytes.size();) {
        if (at + 8 > bytes.size()) return false;
        size_t dataSize = readLittle(bytes, at, 4), headerSize = readLittle(bytes, at + 4, 4);
        size_t headerEnd = at + headerSize;
        if (headerSize < 32 || headerEnd + dataSize > bytes.size()) return false;
        Resource resource;
        size_t cursor = at + 8;
        if (!readName(bytes, cursor, headerEnd, resource.type) ||
            !readName(bytes, cursor, headerEnd, resource.name))
            return false;
        resource.language = static_cast<uint16_t>(readLittle(bytes, headerEnd - 10, 2));
        resource.data = bytes.substr(headerEnd, dataSize);
        bool emptyFirst = dataSize == 0 && resource.type.text.empty() && resource.type.id == 0;
        if (!emptyFirst) resources.push_back(std::move(resource));
        at = (headerEnd + dataSize + 3) & ~size_t(3);
    }
    return true;
}

std::string writeResFile(const ResourceList& resources) {
    std::string out(32, '\0');  // the empty first entry: header size 32, type 0, name 0
    out[4] = 32;
    out[8] = out[9] = out[12] = out[13] = '\xFF';
    for (const Resource& resource : resources) {
        std::string header;
        appendName(header, resource.type);
        appendName(header, resource.name);
        alignToFour(header);
        appendLittle(header, 0, 4);       // data version
        appendLittle(header, 0x1030, 2);  // moveable, pure, discardable
        appendLittle(header, resource.language, 2);
        appendLittle(header, 0, 4);  // version
        appendLittle(header, 0, 4);  // characteristics
        appendLittle(out, static_cast<uint32_t>(resource.data.size()), 4);
        appendLittle(out, static_cast<uint32_t>(header.size() + 8), 4);
        out += header;
        out += resource.data;
        alignToFour(out);
    }
    return out;
}

}  // namespace trellane
