// How to sign a Windows launcher or installer: a PKCS #12 file with its password from a file or
// an environment variable, a PEM certificate chain and key, a key on a PKCS #11 token or HSM
// with its PIN, or a command that signs the file itself. Nothing given: not signed.
#pragma once

#include <string>

namespace trellane {

// How long one osslsigncode run (or one run of the sign command) may take, signing or
// verifying. Signing waits for the timestamp server, or a signing service, which may be slow,
// but one that accepts the connection and never answers must not hold a build forever.
constexpr unsigned kDefaultSignTimeoutSeconds = 120;

struct SigningRequest {
    std::string pkcs12Path;
    std::string passwordFile;  // "-": standard input
    std::string passwordEnv;   // the variable's name, never the password itself
    std::string certPath;      // a PEM chain: with keyPath, or with keyUri
    std::string keyPath;
    std::string timestampUrl;  // RFC 3161; optional
    // The program name Windows' download and consent dialogs show: the display name. Carried
    // only when it is printable ASCII (see signingArguments).
    std::string description;
    unsigned timeoutSeconds = kDefaultSignTimeoutSeconds;  // each osslsigncode run's limit
    // A key on a PKCS #11 token: the module (the token's PKCS #11 library), the key's RFC 7512
    // URI, the certificate's URI on the token (or certPath), the PIN's file ("-": standard
    // input) or variable.
    std::string pkcs11Module;
    std::string keyUri;
    std::string certUri;
    std::string pinFile;
    std::string pinEnv;
    // A command that signs one file in place, "{}" standing for its path (sign_command.h).
    std::string command;

    // Set by prepareSigning: the password or PIN, read once (standard input can be read only
    // once, and the launcher and the installer are both signed with it).
    std::string secret;
    bool prepared = false;
};

}  // namespace trellane
