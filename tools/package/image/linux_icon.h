// --icon for a Linux image: a PNG, kept in the image as lib/NAME.png (where a desktop entry
// and a package's menu entry point), as jpackage keeps it.
#pragma once

#include <string>

namespace trellane {

// Refuses, saying what to give, unless path is a PNG that decodes.
void checkLinuxIcon(const std::string& path);

// image/lib/NAME.png.
void copyLinuxIcon(const std::string& path, const std::string& image, const std::string& name);

}  // namespace trellane
