#pragma once

#include <string>

namespace trellane {

// The executable's path with its last two components cut off: the launcher lives in a
// subdirectory (bin) of the install root. Ends the launch with a message when the path has
// fewer than two separators, since there is no install root to speak of then.
std::string installRootOf(const std::string& executablePath, char dirSeparator);

// installRoot + separator + "app" + separator.
std::string appDirOf(const std::string& installRoot, char dirSeparator);

// The install root of the running executable.
std::string computeInstallRoot();

}  // namespace trellane
