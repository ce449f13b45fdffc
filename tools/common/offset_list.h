#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trellane {

// "20512, 40960": file offsets for a message, in decimal.
std::string listOffsets(const std::vector<size_t>& offsets);

}  // namespace trellane
