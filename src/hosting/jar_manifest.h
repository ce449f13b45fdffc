#pragma once

#include <string>

namespace trellane {

// The value of an attribute of a jar manifest's main section (the lines before the first
// empty one), as the jar specification reads it: names in any letter case, line ends CR LF,
// LF or CR, a line starting with one space continuing the one before. Empty when the
// attribute is not there.
std::string mainAttribute(const std::string& manifest, const char* name);

}  // namespace trellane
