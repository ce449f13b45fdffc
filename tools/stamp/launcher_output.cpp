#include "stamp/launcher_output.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "brand/signing.h"
#include "common/refusal.h"

namespace trellane {

namespace {

// The unsigned copy while osslsigncode works on it; a refusal removes it.
std::string unsignedCopy;

void removeUnsignedCopy() {
    unlink(unsignedCopy.c_str());
}

}  // namespace

void writeLauncherOutput(const std::string& output, const LauncherFile& launcher,
                         const SigningRequest& signing) {
    if (!wantsSignature(signing)) {
        writeLauncherFile(output, launcher);
        return;
    }
    std::string name = output + ".unsigned-XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) refuse("cannot write %s: %s", output.c_str(), strerror(errno));
    close(fd);
    unsignedCopy = name;
    setRefusalCleanup(removeUnsignedCopy);
    writeLauncherFile(unsignedCopy, launcher);
    signExecutable(unsignedCopy, output, signing);
    removeUnsignedCopy();
    setRefusalCleanup(nullptr);
}

}  // namespace trellane
