#pragma once

#include <cstdio>
#include <string>

namespace trellane {

// Prints what a Windows launcher shows of itself after its block: the subsystem, the manifest
// identity, the version strings, the icon sizes and who signed it, with which digest and key
// (or "not signed"), read from the file without osslsigncode. Prints
// nothing for a file that is not a PE32+ image.
void printWindowsImage(std::FILE* out, const std::string& image);

}  // namespace trellane
