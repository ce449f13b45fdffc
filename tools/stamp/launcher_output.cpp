#include "stamp/launcher_output.h"

#include "brand/signing.h"
#include "common/temporary_path.h"

namespace trellane {

void writeLauncherOutput(const std::string& output, const LauncherFile& launcher,
                         const SigningRequest& signing) {
    if (!wantsSignature(signing)) {
        writeLauncherFile(output, launcher);
        return;
    }
    // osslsigncode reads the unsigned copy from beside the file the output names; a refusal
    // or a signal removes the copy, like the signed file's folder.
    const std::string destination = outputDestination(output);
    const std::string unsignedCopy = writeTemporaryCopy(destination, launcher, output);
    signExecutable(unsignedCopy, destination, signing);
    removeTemporaryPath(unsignedCopy);
}

}  // namespace trellane
