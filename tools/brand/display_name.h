// The application's display name is also the launcher's file name, NAME.exe, in the version
// strings: it must be a name Windows can give a file.
#pragma once

#include <string>

namespace trellane {

// What makes NAME.exe unusable as a Windows file name, or "" when nothing does: text that is
// not UTF-8, a character of < > : " / \ | ? * or a control character, a trailing dot or
// space (Windows drops them), a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// in any case, alone or before a dot), or more than 255 UTF-16 units with ".exe".
std::string fileNameProblem(const std::string& name);

}  // namespace trellane
