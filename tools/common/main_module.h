// jpackage's --module NAME[/CLASS], as the launcher's block writes a main module.
#pragma once

#include <string>

namespace trellane {

// A module name or a class name as Java writes them: dot-separated identifiers (letters,
// digits, '_' and '$', any character beyond ASCII; none starting with a digit).
bool isDottedJavaName(const std::string& name);

// The block's main class name for --module VALUE: "MODULE/CLASS", or "MODULE/" when VALUE
// names no class (the module's descriptor does). Empty, with problem set, for a value that
// names no module or a malformed class.
std::string mainModuleEntry(const std::string& value, std::string& problem);

}  // namespace trellane
