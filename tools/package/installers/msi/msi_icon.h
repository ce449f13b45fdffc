// The product icon an MSI carries for "Installed apps": the launcher's own icons (its group
// 2000, branded from --icon or as built), written as an .ico file. Windows takes the icon from
// the package, not from the installed files, so it shows before and after them.
#pragma once

#include <string>

namespace trellane {

// The .ico file of the launcher's icon group: the same images, in the group's order. Refuses
// a launcher without the group (one not built from this project's launcher.exe).
std::string launcherIconFile(const std::string& launcherPath);

}  // namespace trellane
