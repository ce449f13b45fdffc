// What a Windows file name cannot be. The launchers and images are made on Linux, where
// almost any name goes, and then copied to a machine where a name with ':' or a folder called
// "aux" cannot even be unpacked.
#pragma once

#include <string>

namespace trellane {

// Why Windows cannot hold name as a file or folder name, said of the name ("holds ':', ...",
// "is a Windows device name"); empty when it can. Checks: UTF-8 text, not empty, not "." or
// "..", no control character and none of < > : " / \ | ? *, no trailing dot or space (Windows
// drops them), no device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with a
// superscript digit, in any case, alone or before a dot), at most 255 UTF-16 units.
std::string windowsNameProblem(const std::string& name);

// The same for a program's name: both name and name.exe must be file names.
std::string windowsProgramNameProblem(const std::string& name);

// name with each character Windows forbids in a file name replaced by '_' and trailing dots
// and spaces dropped: for folder names made of free text (a vendor's name). Empty when
// nothing usable is left.
std::string windowsSafeName(const std::string& name);

}  // namespace trellane
