// Reading a launcher and writing the stamped copy. A refusal, a failed write or a signal never
// leaves a partial output file: the copy is written in the output's folder under a temporary
// name and renamed over it only once complete.
#pragma once

#include <cstddef>
#include <string>

namespace trellane {

// The built launchers are a few hundred KiB and branding adds icons: a larger file is not a
// launcher, and is refused before it is read.
constexpr size_t kMaxLauncherFileSize = size_t{64} << 20;

struct LauncherFile {
    std::string bytes;
    unsigned permissions;  // the rwx bits for owner, group and others
};

// Refuses anything but a regular file of at most kMaxLauncherFileSize bytes, without
// waiting on a FIFO or a device.
LauncherFile readLauncherFile(const std::string& path);

// A symbolic link at path is followed: the file it names gets the bytes, the link stays.
void writeLauncherFile(const std::string& path, const LauncherFile& file);

}  // namespace trellane
