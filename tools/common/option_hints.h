// What a usage error adds to "unknown option '...'": the name this tool gives a jpackage
// option (or the other tool's, or its own old one), or else the nearest of the tool's own
// names when one is only a typo away.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// "; did you mean --console-app?", ": trellane-package builds images ...", or "". known holds
// the tool's own option names; the hint table follows toolName().
std::string hintForUnknownOption(const std::string& option, const std::vector<std::string>& known);

}  // namespace trellane
