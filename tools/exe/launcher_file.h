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

// Where writing to output puts the bytes: the file that a symbolic link at output names,
// through any chain of links (a user who stamps onto a link means the file behind it, which
// need not exist yet), or output itself. Refuses one that exists and is not a regular file.
std::string outputDestination(const std::string& output);

// Writes file under a temporary name beside destination and returns that name, held as a
// temporary path (common/temporary_path.h) that the caller moves into place or removes.
// Refusals name output.
std::string writeTemporaryCopy(const std::string& destination, const LauncherFile& file,
                               const std::string& output);

// The file written to outputDestination(path): a link stays a link.
void writeLauncherFile(const std::string& path, const LauncherFile& file);

}  // namespace trellane
