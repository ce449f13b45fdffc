#pragma once

#include <cstddef>
#include <string>

namespace trellane {

// Inflates raw DEFLATE data (RFC 1951, as a jar stores a compressed entry) into exactly
// expectedSize bytes. False for data that is damaged, ends early, or inflates to any other
// size; out holds nothing useful then. The launcher reads a splash image from a jar with it,
// linking no compression library.
bool inflateRaw(const unsigned char* data, size_t size, size_t expectedSize, std::string& out);

}  // namespace trellane
