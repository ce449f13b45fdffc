// A failed system call's reason, as the host tools' messages give it.
#pragma once

#include <string>

namespace trellane {

// The system's words for error, but for a full disk or a used-up quota a sentence that says
// so and names the file system path is on (where it is mounted) and what to do, since the
// system's own words for a full disk, or what a library makes of them, often hide it.
std::string describeError(int error, const std::string& path);

// Where the file system that holds path (or, for a path not made yet, its nearest existing
// folder) is mounted: an absolute path.
std::string mountPointOf(const std::string& path);

}  // namespace trellane
