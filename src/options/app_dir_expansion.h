#pragma once

#include <string>

namespace trellane {

// Replaces every "&&" with appDir, left to right, never searching inserted text again.
void expandAppDir(std::string& option, const std::string& appDir);

}  // namespace trellane
