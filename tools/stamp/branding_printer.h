#pragma once

#include <cstdio>
#include <string>

namespace trellane {

// Prints what a Windows launcher shows of itself after its block: the subsystem, the manifest
// identity, the version strings, the icon sizes and who signed it (or "not signed"). Prints
// nothing for a file that is not a PE32+ image.
void printWindowsImage(std::FILE* out, const std::string& image, const std::string& path);

}  // namespace trellane
