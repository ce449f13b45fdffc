#pragma once

#include <cstdint>
#include <string>

namespace trellane {

// Reads --stack-size: decimal bytes, or a whole number of KiB ("k") or MiB ("m"), either
// case. Refuses a malformed value (a usage error) and one over 32 bits, which the block
// cannot hold.
uint32_t parseStackSize(const std::string& text);

}  // namespace trellane
