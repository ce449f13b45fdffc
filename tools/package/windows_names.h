// What a Windows file name cannot be. The image is built on Linux, where almost any name
// goes, and then copied to a machine where a name with ':' or a folder called "aux" cannot
// even be unpacked.
#pragma once

#include <string>

namespace trellane {

// Why Windows cannot hold name as a file or folder name; empty when it can.
std::string windowsNameProblem(const std::string& name);

// name with each character Windows forbids in a file name replaced by '_' and trailing dots
// and spaces dropped: for folder names made of free text (a vendor's name). Empty when
// nothing usable is left.
std::string windowsSafeName(const std::string& name);

}  // namespace trellane
