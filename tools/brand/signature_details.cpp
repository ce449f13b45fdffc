#include "brand/signature_details.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>

#include "exe/pe_signature.h"

namespace trellane {

namespace {

struct Pkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};

bool fail(std::string& problem, const char* why) {
    ERR_clear_error();
    problem = why;
    return false;
}

// An object's short name ("CN", "O"), or its dotted number when OpenSSL has no name for it.
std::string objectName(const ASN1_OBJECT* object) {
    int nid = OBJ_obj2nid(object);
    if (nid != NID_undef) return OBJ_nid2sn(nid);
    char dotted[128];
    OBJ_obj2txt(dotted, sizeof dotted, object, 1);
    return dotted;
}

// "/CN=Zoë Test Signer/O=Trellane Tests": the form osslsigncode prints, but in UTF-8.
std::string describeName(const X509_NAME* name) {
    std::string text;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        unsigned char* value = nullptr;
        int length = ASN1_STRING_to_UTF8(&value, X509_NAME_ENTRY_get_data(entry));
        text += "/" + objectName(X509_NAME_ENTRY_get_object(entry)) + "=";
        text += length >= 0 ? std::string(reinterpret_cast<char*>(value), length) : "?";
        OPENSSL_free(value);
    }
    return text;
}

std::string digestName(const X509_ALGOR* algorithm) {
    const ASN1_OBJECT* object = nullptr;
    X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    switch (OBJ_obj2nid(object)) {
        case NID_md5: return "MD5";
        case NID_sha1: return "SHA-1";
        case NID_sha256: return "SHA-256";
        case NID_sha384: return "SHA-384";
        case NID_sha512: return "SHA-512";
        default: return objectName(object);
    }
}

std::string keyTypeName(const EVP_PKEY* key) {
    switch (EVP_PKEY_get_base_id(key)) {
        case EVP_PKEY_RSA: return "RSA";
        case EVP_PKEY_EC: return "EC";
        case EVP_PKEY_DSA: return "DSA";
        case EVP_PKEY_ED25519: return "Ed25519";
        default: return "unknown";
    }
}

bool certificatesPem(STACK_OF(X509)* certificates, std::string& pem) {
    std::unique_ptr<BIO, BioFree> out(BIO_new(BIO_s_mem()));
    if (!out) return false;
    for (int i = 0; i < sk_X509_num(certificates); ++i)
        if (!PEM_write_bio_X509(out.get(), sk_X509_value(certificates, i))) return false;
    char* data = nullptr;
    long length = BIO_get_mem_data(out.get(), &data);
    pem.assign(data, static_cast<size_t>(length));
    return true;
}

const char kSpcIndirectData[] = "1.3.6.1.4.1.311.2.1.4";

// The signed content is an SpcIndirectDataContent: SEQUENCE { data (a SEQUENCE saying what
// was hashed), messageDigest (a DigestInfo: the algorithm and the digest) }.
std::string statedFileDigest(PKCS7* pkcs7) {
    PKCS7* content = pkcs7->d.sign->contents;
    char type[64] = "";
    if (content != nullptr) OBJ_obj2txt(type, sizeof type, content->type, 1);
    if (std::string(type) != kSpcIndirectData || content->d.other == nullptr ||
        content->d.other->type != V_ASN1_SEQUENCE)
        return "";
    const ASN1_STRING* sequence = content->d.other->value.sequence;
    const unsigned char* cursor = ASN1_STRING_get0_data(sequence);
    const unsigned char* end = cursor + ASN1_STRING_length(sequence);
    long length = 0;
    int tag = 0, objectClass = 0;
    // Into the outer SEQUENCE, then past its first member.
    if (ASN1_get_object(&cursor, &length, &tag, &objectClass, end - cursor) & 0x80) return "";
    const unsigned char* first = cursor;
    if (ASN1_get_object(&cursor, &length, &tag, &objectClass, end - cursor) & 0x80) return "";
    cursor += length;
    if (cursor <= first || cursor > end) return "";
    X509_SIG* digestInfo = d2i_X509_SIG(nullptr, &cursor, end - cursor);
    if (digestInfo == nullptr) return "";
    const ASN1_OCTET_STRING* digest = nullptr;
    X509_SIG_get0(digestInfo, nullptr, &digest);
    std::string bytes(reinterpret_cast<const char*>(ASN1_STRING_get0_data(digest)),
                      static_cast<size_t>(ASN1_STRING_length(digest)));
    X509_SIG_free(digestInfo);
    return bytes;
}

// The RFC 3161 timestamp rides in the signer's unsigned attributes as a whole SignedData of
// its own (Microsoft's attribute 1.3.6.1.4.1.311.3.3.1).
const char kRfc3161Timestamp[] = "1.3.6.1.4.1.311.3.3.1";

void readTimestamp(PKCS7_SIGNER_INFO* signer, SignatureDetails& details) {
    STACK_OF(X509_ATTRIBUTE)* attributes = signer->unauth_attr;
    for (int i = 0; i < sk_X509_ATTRIBUTE_num(attributes); ++i) {
        X509_ATTRIBUTE* attribute = sk_X509_ATTRIBUTE_value(attributes, i);
        char type[64] = "";
        OBJ_obj2txt(type, sizeof type, X509_ATTRIBUTE_get0_object(attribute), 1);
        ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, 0);
        if (std::string(type) != kRfc3161Timestamp || value == nullptr ||
            value->type != V_ASN1_SEQUENCE)
            continue;
        details.timestamped = true;
        const unsigned char* cursor = ASN1_STRING_get0_data(value->value.sequence);
        std::unique_ptr<PKCS7, Pkcs7Free> token(
            d2i_PKCS7(nullptr, &cursor, ASN1_STRING_length(value->value.sequence)));
        if (token && PKCS7_type_is_signed(token.get()) && token->d.sign != nullptr)
            certificatesPem(token->d.sign->cert, details.timestampCertificatesPem);
    }
}

}  // namespace

bool readSignatureDetails(const std::string& der, SignatureDetails& details,
                          std::string& problem) {
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<PKCS7, Pkcs7Free> pkcs7(
        d2i_PKCS7(nullptr, &cursor, static_cast<long>(der.size())));
    if (!pkcs7) return fail(problem, "is not PKCS #7 data");
    if (!PKCS7_type_is_signed(pkcs7.get()) || pkcs7->d.sign == nullptr)
        return fail(problem, "is PKCS #7 data, but not SignedData");
    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(pkcs7.get());
    if (signers == nullptr || sk_PKCS7_SIGNER_INFO_num(signers) != 1)
        return fail(problem, "is SignedData without exactly one signer");
    PKCS7_SIGNER_INFO* signerInfo = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    STACK_OF(X509)* certificates = pkcs7->d.sign->cert;
    X509* signer = signerInfo->issuer_and_serial == nullptr
                       ? nullptr
                       : X509_find_by_issuer_and_serial(certificates,
                                                        signerInfo->issuer_and_serial->issuer,
                                                        signerInfo->issuer_and_serial->serial);
    if (signer == nullptr) return fail(problem, "is SignedData without its signer's certificate");

    X509_ALGOR* digest = nullptr;
    PKCS7_SIGNER_INFO_get0_algs(signerInfo, nullptr, &digest, nullptr);
    details.signer = describeName(X509_get_subject_name(signer));
    details.digest = digest != nullptr ? digestName(digest) : "unknown";
    const EVP_PKEY* key = X509_get0_pubkey(signer);
    details.keyType = key != nullptr ? keyTypeName(key) : "unknown";
    details.keyBits = key != nullptr ? EVP_PKEY_get_bits(key) : 0;
    if (!certificatesPem(certificates, details.certificatesPem))
        return fail(problem, "holds certificates that cannot be written out");
    details.fileDigest = statedFileDigest(pkcs7.get());
    readTimestamp(signerInfo, details);
    ERR_clear_error();
    return true;
}

bool readPeSignatureDetails(const std::string& image, bool& signedFile,
                            SignatureDetails& details, std::string& problem) {
    std::string blob;
    if (!readSignatureBlob(image, blob, signedFile, problem)) return false;
    if (!signedFile) return false;
    if (!readSignatureDetails(blob, details, problem)) {
        problem = "has a signature that " + problem;
        return false;
    }
    return true;
}

}  // namespace trellane
