// The osslsigncode the tools sign with: the one first on PATH, 2.5 (Debian 12's) or later,
// run with only the options 2.5 knows, under a time limit, in a process group that an
// interruption stops with the command.
#pragma once

#include <string>
#include <vector>

#include "common/child_process.h"

namespace trellane {

struct OsslsigncodeVersion {
    int major = 0;
    int minor = 0;
    bool atLeast(int wantMajor, int wantMinor) const {
        return major > wantMajor || (major == wantMajor && minor >= wantMinor);
    }
};

// The version "osslsigncode --version" prints first ("osslsigncode 2.5, using: ..."); false
// when the text names none.
bool parseOsslsigncodeVersion(const std::string& text, OsslsigncodeVersion& version);

struct Osslsigncode {
    std::string path;
    OsslsigncodeVersion version;
    // -ignore-crl came in 2.9: it keeps verify from fetching revocation lists (and from
    // needing the network). 2.5 fetches none.
    bool canIgnoreCrl() const { return version.atLeast(2, 9); }
};

// osslsigncode from PATH, its version asked once per process. Refuses, saying what to
// install, when it is missing or older than 2.5.
const Osslsigncode& requireOsslsigncode(unsigned timeoutSeconds);

// Runs osslsigncode with the arguments (without the program), the secret (a password) on
// kSecretFile, and the time limit.
ProgramRun runOsslsigncode(const Osslsigncode& tool, const std::vector<std::string>& arguments,
                           const std::string& secret, unsigned timeoutSeconds);

// osslsigncode's own lines, joined with "; ", without OpenSSL's error queue
// ("40C0...:error:...") and without its closing "Failed"; "" when it printed nothing else.
std::string osslsigncodeMessage(const std::string& output);

}  // namespace trellane
