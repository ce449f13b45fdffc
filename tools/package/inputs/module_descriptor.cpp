#include "package/inputs/module_descriptor.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace trellane {

namespace {

// Reads big-endian numbers from the class file; once past its end every read gives 0 and
// ok() turns false, so a cut file ends the walk without a check at each step.
class Reader {
  public:
    explicit Reader(const std::string& data) : data_(data) {}

    uint32_t number(size_t bytes) {
        uint32_t value = 0;
        if (at_ + bytes > data_.size()) {
            at_ = data_.size() + 1;
            return 0;
        }
        for (size_t i = 0; i < bytes; ++i)
            value = value << 8 | static_cast<unsigned char>(data_[at_++]);
        return value;
    }
    void skip(size_t bytes) { at_ = at_ + bytes > data_.size() ? data_.size() + 1 : at_ + bytes; }
    std::string text(size_t bytes) {
        if (at_ + bytes > data_.size()) {
            at_ = data_.size() + 1;
            return "";
        }
        std::string value = data_.substr(at_, bytes);
        at_ += bytes;
        return value;
    }
    bool ok() const { return at_ <= data_.size(); }

  private:
    const std::string& data_;
    size_t at_ = 0;
};

struct Constant {
    uint8_t tag = 0;
    uint16_t reference = 0;  // Module, Class: its name's Utf8 entry
    std::string text;        // Utf8
};

constexpr uint8_t kUtf8 = 1, kLong = 5, kDouble = 6, kClass = 7, kModule = 19;
constexpr uint32_t kRequiresStatic = 0x0040;

// The payload size of each other constant kind, by tag; 0 for tags that do not exist. An
// index (String 8, MethodType 16, Package 20): 2; MethodHandle 15: 3; four bytes (Integer 3,
// Float 4, the member references 9 to 11, NameAndType 12, the dynamic constants 17 and 18): 4.
size_t constantSize(uint8_t tag) {
    static const uint8_t sizes[] = {0, 0, 0, 4, 4, 0, 0, 2, 2, 4, 4, 4, 4, 0, 0, 3, 2, 4, 4, 2, 2};
    return tag < sizeof sizes ? sizes[tag] : 0;
}

void skipMembers(Reader& in) {
    for (uint32_t count = in.number(2); count > 0 && in.ok(); --count) {
        in.skip(6);  // access flags, name, descriptor
        for (uint32_t attributes = in.number(2); attributes > 0 && in.ok(); --attributes) {
            in.skip(2);
            in.skip(in.number(4));
        }
    }
}

class Pool {
  public:
    explicit Pool(std::vector<Constant> constants) : constants_(std::move(constants)) {}

    const Constant* at(uint32_t index, uint8_t tag) const {
        return index < constants_.size() && constants_[index].tag == tag ? &constants_[index]
                                                                         : nullptr;
    }
    // The name a Module or Class constant refers to; a class's dotted. Empty when the index
    // is not one.
    std::string nameOf(uint32_t index, uint8_t tag) const {
        const Constant* constant = at(index, tag);
        const Constant* name = constant ? at(constant->reference, kUtf8) : nullptr;
        if (name == nullptr) return "";
        std::string text = name->text;
        if (tag == kClass)
            for (char& c : text)
                if (c == '/') c = '.';
        return text;
    }

  private:
    std::vector<Constant> constants_;
};

// The Module attribute's body: name, flags, version, then requires, exports, opens, uses and
// provides, each a counted table.
bool readModuleAttribute(Reader& in, const Pool& pool, ModuleDescriptor& descriptor) {
    descriptor.name = pool.nameOf(in.number(2), kModule);
    in.skip(4);  // flags, version
    for (uint32_t count = in.number(2); count > 0 && in.ok(); --count) {
        std::string required = pool.nameOf(in.number(2), kModule);
        uint32_t flags = in.number(2);
        in.skip(2);  // version
        if (!(flags & kRequiresStatic)) descriptor.requires.push_back(required);
    }
    for (int table = 0; table < 2; ++table) {  // exports, opens
        for (uint32_t count = in.number(2); count > 0 && in.ok(); --count) {
            in.skip(4);  // package, flags
            in.skip(2 * size_t{in.number(2)});
        }
    }
    for (uint32_t count = in.number(2); count > 0 && in.ok(); --count)
        descriptor.uses.push_back(pool.nameOf(in.number(2), kClass));
    for (uint32_t count = in.number(2); count > 0 && in.ok(); --count) {
        descriptor.provides.push_back(pool.nameOf(in.number(2), kClass));
        in.skip(2 * size_t{in.number(2)});
    }
    return in.ok() && !descriptor.name.empty();
}

}  // namespace

ModuleDescriptor readModuleDescriptor(const std::string& classFile) {
    ModuleDescriptor none, descriptor;
    Reader in(classFile);
    if (in.number(4) != 0xCAFEBABE) return none;
    in.skip(4);  // minor and major version
    std::vector<Constant> constants(in.number(2));
    for (size_t i = 1; i < constants.size() && in.ok(); ++i) {
        Constant& constant = constants[i];
        constant.tag = static_cast<uint8_t>(in.number(1));
        if (constant.tag == kUtf8) {
            constant.text = in.text(in.number(2));
        } else if (constant.tag == kModule || constant.tag == kClass) {
            constant.reference = static_cast<uint16_t>(in.number(2));
        } else if (constant.tag == kLong || constant.tag == kDouble) {
            in.skip(8);
            ++i;  // these take two entries of the pool
        } else if (size_t size = constantSize(constant.tag)) {
            in.skip(size);
        } else {
            return none;
        }
    }
    Pool pool(std::move(constants));
    in.skip(6);  // access flags, this class, super class
    in.skip(2 * size_t{in.number(2)});
    skipMembers(in);  // fields
    skipMembers(in);  // methods
    bool found = false;
    for (uint32_t attributes = in.number(2); attributes > 0 && in.ok(); --attributes) {
        const Constant* name = pool.at(in.number(2), kUtf8);
        uint32_t length = in.number(4);
        std::string body = in.text(length);
        if (name == nullptr) continue;
        Reader attribute(body);
        if (name->text == "Module") {
            found = readModuleAttribute(attribute, pool, descriptor);
            if (!found) return none;
        } else if (name->text == "ModuleMainClass") {
            descriptor.mainClass = pool.nameOf(attribute.number(2), kClass);
        }
    }
    return found && in.ok() ? descriptor : none;
}

std::string declaredModuleName(const std::string& classFile) {
    return readModuleDescriptor(classFile).name;
}

}  // namespace trellane
