// Authenticode signing through Debian's osslsigncode (2.5 and later): a SHA-256 digest; in a
// Windows executable, the certificate table appended after the last section and the header
// checksum rewritten. osslsigncode signs installers (MSI) the same way.
#pragma once

#include <string>
#include <vector>

#include "brand/signing_request.h"

namespace trellane {

// Whether the request asks for a signature at all.
bool wantsSignature(const SigningRequest& request);

// Refuses (as a usage error) a request that mixes or lacks its parts: a PKCS #12 file and a
// PEM certificate, a certificate without its key or a key without its certificate, two
// password sources, a password or timestamp with nothing to sign with.
void checkSigningRequest(const SigningRequest& request);

// --sign-timeout's value: a whole number of seconds, 1 or more; a usage refusal otherwise.
unsigned parseSignTimeout(const std::string& text);

// osslsigncode's arguments, without the program, for signing input into output. The
// password, when there is one, is read from kSecretFile, a pipe this process fills: never
// from the command line, which other users of the machine can read, nor from a file
// osslsigncode opens itself (2.5 cannot read standard input). The description goes in as "-n"
// only when it is printable ASCII: osslsigncode stores it as an ASCII string, which Windows
// would show garbled for any other character.
std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output);

// Signs unsignedPath (a launcher or an installer the caller has written) into signedPath,
// which appears only once the signature reads back as SHA-256 and verifies, with
// unsignedPath's permissions. Each osslsigncode run has the request's time limit, and an
// interruption stops it with the command. A description left out for its characters, and an
// RSA key under 2048 bits, are noted on stderr. Refuses, leaving no file behind, when
// osslsigncode is missing or older than 2.5, the password cannot be read or is wrong, the key
// does not belong to the certificate, the time is up, or the result does not verify.
void signExecutable(const std::string& unsignedPath, const std::string& signedPath,
                    const SigningRequest& request);

}  // namespace trellane
