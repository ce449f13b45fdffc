// What an Authenticode signature says about itself, read with Debian's libcrypto: who signed,
// with which digest and key, and the certificates it carries. Reading is not verifying:
// osslsigncode verify checks that the signature matches the file and its chain is complete.
#pragma once

#include <string>

namespace trellane {

struct SignatureDetails {
    std::string signer;  // the signer certificate's subject, "/CN=.../O=...", in UTF-8
    std::string digest;  // the signer's digest algorithm: "SHA-256"
    std::string keyType;  // the signer's public key: "RSA", "EC", ...
    int keyBits = 0;
    std::string certificatesPem;  // every certificate the signature carries, PEM, in order
    // The digest of the file's signed contents that the signature states (its
    // SpcIndirectDataContent's), raw bytes; "" when it states none that can be read.
    std::string fileDigest;
    // An RFC 3161 timestamp's: whether the signature carries one, and the certificates its
    // token carries (the time-stamping authority's chain), PEM.
    bool timestamped = false;
    std::string timestampCertificatesPem;
};

// Reads a DER PKCS #7 SignedData with one signer whose certificate it carries; false with a
// problem ("is not ...") otherwise.
bool readSignatureDetails(const std::string& der, SignatureDetails& details,
                          std::string& problem);

// The signature in a Windows executable's certificate table. signedFile is false, with no
// problem, when the file has no certificate table; false with a problem when the file or its
// signature cannot be read.
bool readPeSignatureDetails(const std::string& image, bool& signedFile,
                            SignatureDetails& details, std::string& problem);

}  // namespace trellane
