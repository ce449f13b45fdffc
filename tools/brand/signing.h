// Authenticode signing of a Windows launcher through Debian's osslsigncode: a SHA-256 digest,
// the certificate table appended after the last section, the header checksum rewritten.
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

// osslsigncode's arguments, without the program, for signing input into output. The
// password, when there is one, is read from its file or from standard input ("-readpass -"):
// never from the command line, which other users of the machine can read. The description
// goes in as "-n" only when it is printable ASCII: osslsigncode stores it as an ASCII string,
// which Windows would show garbled for any other character.
std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output);

// Signs unsignedPath (a launcher the caller has written) into signedPath, which appears only
// once the signature verifies, with unsignedPath's permissions. A description left out for
// its characters is noted on stderr. Refuses, leaving no file
// behind, when osslsigncode or openssl is missing, the password is wrong, the key does not
// belong to the certificate, or the result does not verify.
void signExecutable(const std::string& unsignedPath, const std::string& signedPath,
                    const SigningRequest& request);

// The subject of the certificate that signed the file ("/CN=.../O=..." as osslsigncode
// prints it, in UTF-8), or "" when it is not signed. Refuses when osslsigncode is missing.
std::string describeSignature(const std::string& path);

}  // namespace trellane
