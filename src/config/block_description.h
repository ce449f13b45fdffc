#pragma once

#include <string>

namespace trellane {

// The block's byte format as two markdown tables (fields, then flag bits), generated from
// kBlockFields and kFlagBits. trellane-stamp prints it and docs/block-format.md carries it verbatim.
std::string describeBlockFormat();

}  // namespace trellane
