// A key on a PKCS #11 token or HSM, checked before anything is built: the module loads, the
// token the key's URI names is present, the PIN opens it, the key (and the certificate the
// URI names) is there and belongs to the certificate. osslsigncode signs through OpenSSL's
// pkcs11 engine later, in a process of its own; this check only makes each fault a message
// that says what to do, at once, with one try of the PIN (tokens lock after a few wrong ones).
#pragma once

#include <string>

namespace trellane {

// What is wrong with a key's or certificate's URI as an option gives it ("" when nothing): not
// an RFC 7512 "pkcs11:" URI, a type other than the option's ("private", "cert"), or a PIN in
// it, which would be on osslsigncode's command line for every user of the machine to read.
std::string tokenUriProblem(const std::string& uri, bool forKey);

// Where OpenSSL looks for its pkcs11 engine ($OPENSSL_ENGINES, else the folder libcrypto was
// built with), and "" when the engine is there.
std::string missingPkcs11Engine();

// The token check. certPath is a PEM chain (its first certificate the signer's) when the
// certificate is not on the token; pin may be empty (a token that needs none, or one with its
// own PIN pad). Refuses with what to do.
void checkTokenKey(const std::string& module, const std::string& keyUri, const std::string& certUri,
                   const std::string& certPath, const std::string& pin);

// What osslsigncode (through the engine) said, made a message when it is one a packager can
// mend: a wrong PIN, a token that is not there, an object not found, a module that does not
// load. "" otherwise.
std::string tokenFailure(const std::string& output, const std::string& module,
                         const std::string& keyUri, const std::string& certUri);

}  // namespace trellane
