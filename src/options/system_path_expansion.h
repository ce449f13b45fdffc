#pragma once

#include <cstdint>
#include <string>

namespace trellane {

using SystemDirectoryQuery = uint32_t (*)(char* buffer, uint32_t size);

// Replaces the first "<windows-system-path>" with the system directory. Ends the launch when
// the directory cannot be determined.
void expandWindowsSystemPath(std::string& option, SystemDirectoryQuery getSystemDirectory);

}  // namespace trellane
