// A fuzzer's bytes read as a few values in a row: each target decodes its input with this, so
// one mutated byte changes one value, and a seed is easy to write by hand. Reading past the
// end gives zeros and empty texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trellane::fuzz {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}

    bool empty() const { return at_ == end_; }

    uint8_t byte() { return at_ < end_ ? *at_++ : 0; }

    // A length byte, then that many bytes (fewer at the end of the input).
    std::string text() { return bytes(byte()); }

    // The same with a two-byte length, most significant byte first.
    std::string longText() {
        size_t length = size_t{byte()} << 8;
        return bytes(length | byte());
    }

    // Everything not read yet.
    std::string rest() { return bytes(static_cast<size_t>(end_ - at_)); }

  private:
    std::string bytes(size_t count) {
        if (count > static_cast<size_t>(end_ - at_)) count = static_cast<size_t>(end_ - at_);
        std::string taken(reinterpret_cast<const char*>(at_), count);
        at_ += count;
        return taken;
    }

    const uint8_t* at_;
    const uint8_t* end_;
};

}  // namespace trellane::fuzz
