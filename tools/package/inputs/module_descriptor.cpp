#include "package/inputs/module_descriptor.h"

#include <cstdint>
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
    uint16_t reference = 0;  // Module: its name's Utf8 entry
    std::string text;        // Utf8
};

constexpr uint8_t kUtf8 = 1, kLong = 5, kDouble = 6, kModule = 19;

// The payload size of each other constant kind, by tag; 0 for tags that do not exist. An
// index (Class 7, String 8, MethodType 16, Module 19, Package 20): 2; MethodHandle 15: 3; four
// bytes (Integer 3, Float 4, the member references 9 to 11, NameAndType 12, the dynamic
// constants 17 and 18): 4.
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

}  // namespace

std::string declaredModuleName(const std::string& classFile) {
    Reader in(classFile);
    if (in.number(4) != 0xCAFEBABE) return "";
    in.skip(4);  // minor and major version
    std::vector<Constant> pool(in.number(2));
    for (size_t i = 1; i < pool.size() && in.ok(); ++i) {
        Constant& constant = pool[i];
        constant.tag = static_cast<uint8_t>(in.number(1));
        if (constant.tag == kUtf8) {
            constant.text = in.text(in.number(2));
        } else if (constant.tag == kModule) {
            constant.reference = static_cast<uint16_t>(in.number(2));
        } else if (constant.tag == kLong || constant.tag == kDouble) {
            in.skip(8);
            ++i;  // these take two entries of the pool
        } else if (size_t size = constantSize(constant.tag)) {
            in.skip(size);
        } else {
            return "";
        }
    }
    in.skip(6);  // access flags, this class, super class
    in.skip(2 * size_t{in.number(2)});
    skipMembers(in);  // fields
    skipMembers(in);  // methods
    auto constant = [&pool](uint32_t index, uint8_t tag) -> const Constant* {
        return index < pool.size() && pool[index].tag == tag ? &pool[index] : nullptr;
    };
    for (uint32_t attributes = in.number(2); attributes > 0 && in.ok(); --attributes) {
        const Constant* name = constant(in.number(2), kUtf8);
        uint32_t length = in.number(4);
        if (name == nullptr || name->text != "Module") {
            in.skip(length);
            continue;
        }
        const Constant* module = constant(in.number(2), kModule);
        const Constant* moduleName = module ? constant(module->reference, kUtf8) : nullptr;
        in.skip(length < 2 ? 0 : length - 2);  // a descriptor cut short is no descriptor
        return in.ok() && moduleName ? moduleName->text : "";
    }
    return "";
}

}  // namespace trellane
