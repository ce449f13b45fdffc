#include "brand/version_info.h"

#include <cstdint>
#include <vector>

#include "brand/little_endian.h"
#include "brand/utf16_text.h"

namespace trellane {

namespace {

constexpr size_t kLongestBlock = 0xFFFF;
constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;

struct StringKey {
    const char16_t* key;
    std::string VersionStrings::*field;
};

const StringKey kStringKeys[] = {
    {u"ProductName", &VersionStrings::productName},
    {u"FileDescription", &VersionStrings::fileDescription},
    {u"CompanyName", &VersionStrings::companyName},
    {u"FileVersion", &VersionStrings::fileVersion},
    {u"ProductVersion", &VersionStrings::productVersion},
    {u"LegalCopyright", &VersionStrings::legalCopyright},
    {u"InternalName", &VersionStrings::internalName},
    {u"OriginalFileName", &VersionStrings::originalFileName},
};

const char16_t kTableKey[] = u"040904E4";

// VS_FIXEDFILEINFO: signature, structure version, file version (two words), product version
// (two words), flags mask, flags, operating system (VOS_NT_WINDOWS32), type (VFT_APP),
// subtype, date (two words).
const uint32_t kFixedPart[] = {0xFEEF04BD, 0x10000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 1, 0, 0, 0};

void putWord(std::string& out, size_t at, uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void appendWord(std::string& out, uint16_t value) {
    appendLittle(out, value, 2);
}

void appendText(std::string& out, const std::u16string& text) {
    for (char16_t c : text) appendWord(out, c);
    appendWord(out, 0);
}

void alignToFour(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('\0');
}

uint16_t wordAt(const std::string& data, size_t at) {
    return static_cast<uint16_t>(readLittle(data, at, 2));
}

// Writes blocks into one buffer; offsets are aligned from the buffer's start, which is the
// resource's start and so aligned in the file.
class BlockWriter {
  public:
    // Starts a block: its header with lengths to come, the key, the padding before its value.
    size_t open(const std::u16string& key, uint16_t type) {
        alignToFour(out_);
        size_t start = out_.size();
        appendWord(out_, 0);
        appendWord(out_, 0);
        appendWord(out_, type);
        appendText(out_, key);
        alignToFour(out_);
        return start;
    }

    void value(size_t start, const std::string& bytes, uint16_t valueLength) {
        out_ += bytes;
        putWord(out_, start + 2, valueLength);
    }

    // The block's length runs to the end of its last child, without trailing padding.
    void close(size_t start) {
        size_t length = out_.size() - start;
        if (length > kLongestBlock) tooLong_ = true;
        putWord(out_, start, static_cast<uint16_t>(length));
    }

    bool tooLong() const { return tooLong_; }
    const std::string& bytes() const { return out_; }

  private:
    std::string out_;
    bool tooLong_ = false;
};

std::string fixedPart() {
    std::string bytes;
    for (uint32_t value : kFixedPart) {
        appendWord(bytes, static_cast<uint16_t>(value & 0xFFFF));
        appendWord(bytes, static_cast<uint16_t>(value >> 16));
    }
    return bytes;
}

// One block as read: where its value and children lie inside data.
struct Block {
    std::u16string key;
    size_t valueStart = 0;
    size_t end = 0;  // the block's own end, within its parent's
};

bool readBlock(const std::string& data, size_t at, size_t limit, Block& block) {
    if (at + 6 > limit) return false;
    size_t length = wordAt(data, at);
    if (length < 6 || at + length > limit) return false;
    block.end = at + length;
    block.key.clear();
    size_t cursor = at + 6;
    while (true) {
        if (cursor + 2 > block.end) return false;
        char16_t c = wordAt(data, cursor);
        cursor += 2;
        if (c == 0) break;
        block.key.push_back(c);
    }
    block.valueStart = (cursor + 3) & ~size_t(3);
    return true;
}

// The children of a block that starts its children at childrenStart.
bool readChildren(const std::string& data, size_t childrenStart, size_t end,
                  std::vector<Block>& children) {
    children.clear();
    for (size_t at = (childrenStart + 3) & ~size_t(3); at < end;
         at = (children.back().end + 3) & ~size_t(3)) {
        Block child;
        if (!readBlock(data, at, end, child)) return false;
        children.push_back(child);
    }
    return true;
}

bool sameKey(const std::u16string& a, const char16_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x -= 32;
        if (y >= u'a' && y <= u'z') y -= 32;
        if (x != y) return false;
    }
    return i == a.size() && b[i] == 0;
}

// A string's value: UTF-16 up to its terminating zero or the block's end, whatever its value
// length says (writers disagree on whether it counts characters or bytes).
std::string stringValue(const std::string& data, const Block& block) {
    std::u16string text;
    for (size_t at = block.valueStart; at + 2 <= block.end; at += 2) {
        char16_t c = wordAt(data, at);
        if (c == 0) break;
        text.push_back(c);
    }
    return encodeUtf8(text);
}

}  // namespace

bool writeVersionInfo(const VersionStrings& strings, std::string& data, std::string& problem) {
    BlockWriter writer;
    size_t root = writer.open(u"VS_VERSION_INFO", kBinary);
    std::string fixed = fixedPart();
    writer.value(root, fixed, static_cast<uint16_t>(fixed.size()));

    size_t stringInfo = writer.open(u"StringFileInfo", kText);
    size_t table = writer.open(kTableKey, kText);
    for (const StringKey& key : kStringKeys) {
        std::u16string text;
        if (!decodeUtf8(strings.*key.field, text)) {
            problem = encodeUtf8(key.key) + " is not valid UTF-8";
            return false;
        }
        std::string value;
        appendText(value, text);
        size_t entry = writer.open(key.key, kText);
        writer.value(entry, value, static_cast<uint16_t>(text.size() + 1));  // characters
        writer.close(entry);
    }
    writer.close(table);
    writer.close(stringInfo);

    size_t varInfo = writer.open(u"VarFileInfo", kText);
    size_t translation = writer.open(u"Translation", kBinary);
    std::string languageAndCodePage;
    appendWord(languageAndCodePage, 0x0409);  // English (United States)
    appendWord(languageAndCodePage, 0x04E4);  // Windows-1252
    writer.value(translation, languageAndCodePage, 4);
    writer.close(translation);
    writer.close(varInfo);
    writer.close(root);

    if (writer.tooLong()) {
        problem = "the version strings take " + std::to_string(writer.bytes().size()) +
                  " bytes together, more than the 65535 the version information can hold";
        return false;
    }
    data = writer.bytes();
    return true;
}

bool readVersionStrings(const std::string& data, VersionStrings& strings) {
    Block root;
    if (!readBlock(data, 0, data.size(), root) || !sameKey(root.key, u"VS_VERSION_INFO"))
        return false;
    size_t valueLength = wordAt(data, 2);
    if (root.valueStart + valueLength > root.end) return false;
    std::vector<Block> sections;
    if (!readChildren(data, root.valueStart + valueLength, root.end, sections)) return false;

    strings = VersionStrings{};
    for (const Block& section : sections) {
        if (!sameKey(section.key, u"StringFileInfo")) continue;
        std::vector<Block> tables, entries;
        if (!readChildren(data, section.valueStart, section.end, tables)) return false;
        if (tables.empty()) return true;
        const Block* chosen = &tables.front();
        for (const Block& table : tables)
            if (sameKey(table.key, kTableKey)) chosen = &table;
        if (!readChildren(data, chosen->valueStart, chosen->end, entries)) return false;
        for (const Block& entry : entries)
            for (const StringKey& key : kStringKeys)
                if (sameKey(entry.key, key.key)) strings.*key.field = stringValue(data, entry);
        return true;
    }
    return true;
}

}  // namespace trellane
