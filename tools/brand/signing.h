// Authenticode signing through Debian's osslsigncode (2.5 and later): a SHA-256 digest; in a
// Windows executable, the certificate table appended after the last section and the header
// checksum rewritten. osslsigncode signs installers (MSI) the same way. The key is a PKCS #12
// file, PEM files or a key on a PKCS #11 token; or the packager's own command signs the file
// (sign_command.h) and osslsigncode only verifies it.
#pragma once

#include <string>
#include <vector>

#include "brand/signing_request.h"

namespace trellane {

// Whether the request asks for a signature at all.
bool wantsSignature(const SigningRequest& request);

// Refuses (as a usage error) a request that mixes or lacks its parts: two ways of signing (a
// PKCS #12 file, PEM files, a key on a token, a sign command), a certificate without its key
// or a key without its certificate, a token key without its module, two password or PIN
// sources, a password where a PIN goes or the reverse, a password, PIN or timestamp with
// nothing to sign with, a sign command without "{}".
void checkSigningRequest(const SigningRequest& request);

// --sign-timeout's value: a whole number of seconds, 1 or more; a usage refusal otherwise.
unsigned parseSignTimeout(const std::string& text);

// The request checked and ready, before anything is built: the password or PIN read once
// (from its file, its variable or standard input), osslsigncode found, a token key checked
// on its token (pkcs11_token.h), a sign command's program found. Refuses with what to do. A
// request that asks for no signature comes back as it is.
SigningRequest prepareSigning(const SigningRequest& request);

// osslsigncode's arguments, without the program, for signing input into output. The
// password or PIN, when there is one, is read from kSecretFile, a pipe this process fills:
// never from the command line, which other users of the machine can read, nor from a file
// osslsigncode opens itself (2.5 cannot read standard input). The description goes in as "-n"
// only when it is printable ASCII: osslsigncode stores it as an ASCII string, which Windows
// would show garbled for any other character.
std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output);

// Signs unsignedPath (a launcher or an installer the caller has written) into signedPath,
// which appears only once the signature reads back (SHA-256; a sign command's may also be
// SHA-384 or SHA-512) and verifies, with unsignedPath's permissions. Each osslsigncode run and
// the sign command have the request's time limit, and an interruption stops them with the
// command. A description left out for its characters, and an RSA key under 2048 bits, are
// noted on stderr. Refuses, leaving no file behind, when osslsigncode is missing or older than
// 2.5, the password or PIN cannot be read or is wrong, the token or key is not there, the key
// does not belong to the certificate, the time is up, the disk is full, the sign command fails
// or signs another file or none, or the result does not verify. namedAs, when signedPath is
// a temporary name beside the destination, is the destination: what the messages and a sign
// command see.
void signExecutable(const std::string& unsignedPath, const std::string& signedPath,
                    const SigningRequest& request, const std::string& namedAs = "");

}  // namespace trellane
