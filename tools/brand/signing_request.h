// How to sign a Windows launcher: a PKCS #12 file with its password from a file or an
// environment variable, or a PEM certificate chain and key. Nothing given: not signed.
#pragma once

#include <string>

namespace trellane {

// How long one osslsigncode run may take, signing or verifying. Signing waits for the
// timestamp server, which may be slow, but one that accepts the connection and never answers
// must not hold a build forever.
constexpr unsigned kDefaultSignTimeoutSeconds = 120;

struct SigningRequest {
    std::string pkcs12Path;
    std::string passwordFile;
    std::string passwordEnv;  // the variable's name, never the password itself
    std::string certPath;
    std::string keyPath;
    std::string timestampUrl;  // RFC 3161; optional
    // The program name Windows' download and consent dialogs show: the display name. Carried
    // only when it is printable ASCII (see signingArguments).
    std::string description;
    unsigned timeoutSeconds = kDefaultSignTimeoutSeconds;  // each osslsigncode run's limit
};

}  // namespace trellane
