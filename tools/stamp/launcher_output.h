// Writing a finished launcher, signed or not. A refusal at any step leaves the output as it
// was and nothing else behind.
#pragma once

#include <string>

#include "brand/signing_request.h"
#include "exe/launcher_file.h"

namespace trellane {

// Writes launcher to output (to the file it names when it is a symbolic link). When signing
// asks for a signature, the unsigned copy goes to a temporary file beside it, osslsigncode
// signs it, and the signed file replaces it only once it verifies; the temporary file goes in
// every case.
void writeLauncherOutput(const std::string& output, const LauncherFile& launcher,
                         const SigningRequest& signing);

}  // namespace trellane
