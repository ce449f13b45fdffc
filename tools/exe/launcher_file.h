// Reading a launcher and writing the stamped copy. A refusal or a failed write never
// leaves a partial output file: the copy is written beside the output under a temporary
// name and renamed over it only once complete.
#pragma once

#include <string>

namespace trellane {

struct LauncherFile {
    std::string bytes;
    unsigned permissions;  // the rwx bits for owner, group and others
};

LauncherFile readLauncherFile(const std::string& path);

void writeLauncherFile(const std::string& path, const LauncherFile& file);

}  // namespace trellane
