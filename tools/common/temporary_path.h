// A file or folder that a command builds under a temporary name beside its destination and
// renames into place once complete. Until then it goes away whatever ends the command: a
// refusal, or SIGINT, SIGTERM, SIGHUP or SIGXFSZ (a file size limit met while writing), which
// then end the process as they would have. A signal the process ignores (nohup) or handles
// itself is left to it: it decides when to stop and what to remove. One temporary path at a
// time.
#pragma once

#include <string>

namespace trellane {

// mkstemp: pathTemplate ends in "XXXXXX", which becomes the name made. Returns the open
// descriptor, or -1 with errno set.
int createTemporaryFile(std::string& pathTemplate);

// mkdtemp, the same way. Returns false with errno set.
bool createTemporaryFolder(std::string& pathTemplate);

// Renames the temporary path to destination; nothing removes it from then on. Returns false
// with errno set, and the temporary path is still held.
bool moveTemporaryPathTo(const std::string& destination);

// Removes the temporary path, a folder with everything in it, and lets it go. Nothing when no
// path is held. Uses system calls only, so a signal handler may call it.
void removeTemporaryPath();

}  // namespace trellane
