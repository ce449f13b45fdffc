// A key and a self-signed certificate made for one use and then removed: osslsigncode signs
// the unsigned file with it to tell the digest of its contents, which a sign command's
// signature must state too (2.5 has no command that only computes it).
#pragma once

#include <string>

namespace trellane {

// Writes an EC P-256 key and a certificate for it, PEM, to keyPath and certPath; false when
// they cannot be made or written.
bool writeThrowawayKey(const std::string& keyPath, const std::string& certPath);

}  // namespace trellane
