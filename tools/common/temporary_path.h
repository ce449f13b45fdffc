// Files and folders that a command builds under a temporary name beside their destination and
// renames into place once complete. Until then they go away whatever ends the command: a
// refusal, or SIGINT, SIGTERM, SIGHUP or SIGXFSZ (a file size limit met while writing), which
// then end the process as they would have. A signal the process ignores (nohup) or handles
// itself is left to it: it decides when to stop and what to remove. Up to kMaxTemporaryPaths
// at a time.
#pragma once

#include <cstddef>
#include <string>

namespace trellane {

constexpr size_t kMaxTemporaryPaths = 4;

// "FOLDER/.trellane-XXXXXX" for a destination FOLDER/NAME: a short name of its own, so that a
// destination name near the file system's limit still leaves room for it, in the same file
// system, so that a rename puts it in place.
std::string temporaryTemplateBeside(const std::string& destination);

// mkstemp: pathTemplate ends in "XXXXXX", which becomes the name made. Returns the open
// descriptor, or -1 with errno set.
int createTemporaryFile(std::string& pathTemplate);

// mkdtemp, the same way. Returns false with errno set.
bool createTemporaryFolder(std::string& pathTemplate);

// Renames the temporary path to destination; nothing removes it from then on. Returns false
// with errno set, and the temporary path is still held.
bool moveTemporaryPath(const std::string& temporary, const std::string& destination);

// Lets the temporary path go where it is: nothing removes it from then on.
void releaseTemporaryPath(const std::string& temporary);

// Removes the temporary path, a folder with everything in it, and lets it go.
void removeTemporaryPath(const std::string& temporary);

// Removes path, and when it is a folder everything in it at any depth, without following
// symbolic links; true when nothing of it is left (or there was nothing). Uses system calls
// only and little stack, whatever the depth.
bool removeWholePath(const std::string& path);

// Removes every temporary path still held: what a refusal and a signal do. Uses system calls
// only, so a signal handler may call it.
void removeTemporaryPaths();

}  // namespace trellane
