#include "brand/throwaway_key.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

namespace trellane {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

template <typename Write>
bool writePem(const std::string& path, Write write) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    bool written = write(file) == 1;
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool writeThrowawayKey(const std::string& keyPath, const std::string& certPath) {
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, X509Free> certificate(X509_new());
    if (!key || !certificate) return false;
    X509_NAME* name = X509_get_subject_name(certificate.get());
    bool made = X509_set_version(certificate.get(), X509_VERSION_3) == 1 &&
                ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1) == 1 &&
                X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600) != nullptr &&
                X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 3600) != nullptr &&
                X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                           reinterpret_cast<const unsigned char*>("Digest probe"),
                                           -1, -1, 0) == 1 &&
                X509_set_issuer_name(certificate.get(), name) == 1 &&
                X509_set_pubkey(certificate.get(), key.get()) == 1 &&
                X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0;
    return made &&
           writePem(keyPath,
                    [&](FILE* file) {
                        return PEM_write_PrivateKey(file, key.get(), nullptr, nullptr, 0, nullptr,
                                                    nullptr);
                    }) &&
           writePem(certPath, [&](FILE* file) { return PEM_write_X509(file, certificate.get()); });
}

}  // namespace trellane
