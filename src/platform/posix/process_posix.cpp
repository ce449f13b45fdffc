#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "common/error_box.h"
#include "common/fail_fatal.h"
#include "platform/platform.h"

namespace trellane {

// Linux has no system-modal box to show; the same text reaches standard error through the
// message that follows every box (failFatal, or the stack trace of an uncaught exception).
void showErrorBox(const char*, const char*) {}

namespace platform {

const char* executablePath() {
    static char path[PATH_MAX + 1];
    if (path[0] == 0) {
        ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
        if (length <= 0) failFatal("Cannot determine the launcher's own path.");
        path[length] = 0;
    }
    return path;
}

void setEnv(const char* name, const char* value) { setenv(name, value, 1); }

void removeEnv(const char* name) { unsetenv(name); }

// Linux keeps HOME as the user's session set it and has no known folders to export.
void prepareStartupEnvironment(const LaunchConfig&) {}

}  // namespace platform
}  // namespace trellane
