#include "brand/pkcs11_token.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <p11-kit/p11-kit.h>
#include <p11-kit/pkcs11.h>
#include <p11-kit/uri.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/refusal.h"
#include "common/shown_text.h"

namespace trellane {

namespace {

// The engine's file in OpenSSL's engine folder (Debian: libengine-pkcs11-openssl).
const char kEngineFile[] = "pkcs11.so";
const char kEnginePackage[] = "libengine-pkcs11-openssl";

struct UriFree {
    void operator()(P11KitUri* uri) const { p11_kit_uri_free(uri); }
};
using Uri = std::unique_ptr<P11KitUri, UriFree>;

Uri parseUri(const std::string& text, int& result) {
    Uri uri(p11_kit_uri_new());
    result = p11_kit_uri_parse(text.c_str(), P11_KIT_URI_FOR_OBJECT_ON_TOKEN, uri.get());
    return uri;
}

std::string trimmed(const unsigned char* text, size_t size) {
    return std::string(reinterpret_cast<const char*>(text), p11_kit_space_strlen(text, size));
}

// "pkcs11:token=..." for a token, as p11tool takes it: what a message tells to list.
std::string tokenUri(const CK_TOKEN_INFO& info) {
    Uri uri(p11_kit_uri_new());
    // The label alone: blank fields are left out of the URI.
    CK_TOKEN_INFO* named = p11_kit_uri_get_token_info(uri.get());
    std::memset(named, ' ', sizeof *named);
    std::memcpy(named->label, info.label, sizeof info.label);
    char* text = nullptr;
    std::string formatted = "pkcs11:token=" + trimmed(info.label, sizeof info.label);
    if (p11_kit_uri_format(uri.get(), P11_KIT_URI_FOR_TOKEN, &text) == P11_KIT_URI_OK) {
        formatted = text;
        std::free(text);
    }
    return formatted;
}

std::string pinAdvice() {
    return "give it with --sign-pin-env VARIABLE, --sign-pin-file FILE, or --sign-pin-file - "
           "with the PIN on standard input";
}

// token: "the token 'LABEL'".
std::string wrongPin(const std::string& token) {
    return "the PIN is wrong for " + token +
           "; give the right one (a token locks after a few wrong PINs: check it before "
           "trying again)";
}

std::string tokenAbsent(const std::string& keyUri, const std::string& present) {
    return "no token matching " + shownName(keyUri) + " is present (" + present +
           "): plug the token in, or give the key's URI as p11tool --list-all or pkcs11-tool "
           "--list-objects shows it";
}

std::string objectAbsent(const std::string& what, const std::string& uri,
                         const std::string& listing) {
    return "the token has no " + what + " matching " + shownName(uri) +
           "; give the URI of one it holds (" + listing + " lists them)";
}

std::string moduleAdvice() {
    return "give the token's PKCS #11 library with --sign-pkcs11-module (OpenSC's "
           "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so, a YubiKey's libykcs11.so, SafeNet's "
           "libeTPkcs11.so, ...)";
}

// The module, loaded and started for the check, and let go whatever ends it.
class LoadedModule {
  public:
    explicit LoadedModule(const std::string& path) {
        module_ = p11_kit_module_load(path.c_str(), P11_KIT_MODULE_UNMANAGED);
        if (module_ == nullptr) {
            const char* why = p11_kit_message();
            problem_ = "cannot load the PKCS #11 module " + shownName(path) + " (" +
                       (why != nullptr ? why : "not a PKCS #11 library") + "); " + moduleAdvice();
            return;
        }
        CK_RV rv = p11_kit_module_initialize(module_);
        if (rv != CKR_OK) {
            problem_ = "the PKCS #11 module " + shownName(path) + " does not start (" +
                       p11_kit_strerror(rv) +
                       "); check that its service (pcscd, the vendor's "
                       "client) runs, or " +
                       moduleAdvice();
            p11_kit_module_release(module_);
            module_ = nullptr;
            return;
        }
    }
    ~LoadedModule() {
        if (module_ == nullptr) return;
        if (session_ != CK_INVALID_HANDLE) {
            if (loggedIn_) module_->C_Logout(session_);
            module_->C_CloseSession(session_);
        }
        p11_kit_module_finalize(module_);
        p11_kit_module_release(module_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    CK_FUNCTION_LIST* module_ = nullptr;
    CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
    bool loggedIn_ = false;
    std::string problem_;
};

// The objects of class kind on the token that match the URI's attributes.
std::vector<CK_OBJECT_HANDLE> findObjects(LoadedModule& loaded, P11KitUri* uri,
                                          CK_OBJECT_CLASS kind) {
    CK_ULONG count = 0;
    CK_ATTRIBUTE* given = p11_kit_uri_get_attributes(uri, &count);
    std::vector<CK_ATTRIBUTE> wanted;
    for (CK_ULONG i = 0; i < count; ++i)
        if (given[i].type != CKA_CLASS) wanted.push_back(given[i]);
    wanted.push_back({CKA_CLASS, &kind, sizeof kind});
    std::vector<CK_OBJECT_HANDLE> found;
    CK_FUNCTION_LIST* m = loaded.module_;
    if (m->C_FindObjectsInit(loaded.session_, wanted.data(), wanted.size()) != CKR_OK) return found;
    CK_OBJECT_HANDLE handles[16];
    CK_ULONG got = 0;
    while (m->C_FindObjects(loaded.session_, handles, 16, &got) == CKR_OK && got > 0)
        found.insert(found.end(), handles, handles + got);
    m->C_FindObjectsFinal(loaded.session_);
    return found;
}

std::string attributeBytes(LoadedModule& loaded, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) {
    CK_ATTRIBUTE attribute = {type, nullptr, 0};
    CK_FUNCTION_LIST* m = loaded.module_;
    if (m->C_GetAttributeValue(loaded.session_, object, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || attribute.ulValueLen > (1 << 20))
        return "";
    std::string value(attribute.ulValueLen, '\0');
    attribute.pValue = value.data();
    if (m->C_GetAttributeValue(loaded.session_, object, &attribute, 1) != CKR_OK) return "";
    value.resize(attribute.ulValueLen);
    return value;
}

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

std::unique_ptr<X509, X509Free> firstPemCertificate(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return nullptr;
    std::unique_ptr<X509, X509Free> certificate(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return certificate;
}

// An RSA public key's modulus, big-endian without leading zeros; "" for any other key.
std::string rsaModulus(X509* certificate) {
    EVP_PKEY* key = certificate != nullptr ? X509_get0_pubkey(certificate) : nullptr;
    BIGNUM* n = nullptr;
    if (key == nullptr || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA ||
        !EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n))
        return "";
    std::string bytes(BN_num_bytes(n), '\0');
    BN_bn2bin(n, reinterpret_cast<unsigned char*>(bytes.data()));
    BN_free(n);
    return bytes;
}

std::string withoutLeadingZeros(const std::string& bytes) {
    size_t first = bytes.find_first_not_of('\0');
    return first == std::string::npos ? "" : bytes.substr(first);
}

// The token check proper; "" when the key can sign.
std::string tokenProblem(const std::string& modulePath, const std::string& keyUri,
                         const std::string& certUri, const std::string& certPath,
                         const std::string& pin) {
    struct stat info;
    if (stat(modulePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return "the PKCS #11 module " + shownName(modulePath) +
               (access(modulePath.c_str(), F_OK) != 0 ? " does not exist" : " is not a file") +
               "; " + moduleAdvice();
    LoadedModule loaded(modulePath);
    if (!loaded.problem_.empty()) return loaded.problem_;
    CK_FUNCTION_LIST* m = loaded.module_;

    int result = 0;
    Uri key = parseUri(keyUri, result);
    CK_ULONG slotCount = 0;
    std::vector<CK_SLOT_ID> slots;
    if (m->C_GetSlotList(CK_TRUE, nullptr, &slotCount) == CKR_OK && slotCount > 0) {
        slots.resize(slotCount);
        if (m->C_GetSlotList(CK_TRUE, slots.data(), &slotCount) != CKR_OK) slotCount = 0;
        slots.resize(slotCount);
    }
    std::string present;
    CK_SLOT_ID slot = 0;
    CK_TOKEN_INFO token{};
    bool found = false;
    for (CK_SLOT_ID candidate : slots) {
        CK_TOKEN_INFO info{};
        if (m->C_GetTokenInfo(candidate, &info) != CKR_OK ||
            (info.flags & CKF_TOKEN_INITIALIZED) == 0)
            continue;
        present += std::string(present.empty() ? "" : ", ") + "'" +
                   shownName(trimmed(info.label, sizeof info.label)) + "'";
        if (!found && p11_kit_uri_match_token_info(key.get(), &info)) {
            slot = candidate, token = info, found = true;
        }
    }
    if (!found)
        return tokenAbsent(keyUri, present.empty() ? "the module sees no token"
                                                   : "the module sees the tokens " + present);
    const std::string label = trimmed(token.label, sizeof token.label);
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0)
        return "the PIN of the token '" + shownName(label) +
               "' is locked after too many wrong PINs: unblock it (with its PUK or security "
               "officer PIN) before signing";
    if (m->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &loaded.session_) != CKR_OK)
        return "cannot open a session with the token '" + shownName(label) +
               "': unplug it and plug it in again";
    bool pinPad = (token.flags & CKF_PROTECTED_AUTHENTICATION_PATH) != 0;
    bool needsLogin = (token.flags & CKF_LOGIN_REQUIRED) != 0;
    if (needsLogin && pin.empty() && !pinPad)
        return "the token '" + shownName(label) + "' needs its PIN: " + pinAdvice();
    if (!pin.empty()) {
        CK_RV rv =
            m->C_Login(loaded.session_, CKU_USER,
                       reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(pin.data())), pin.size());
        if (rv == CKR_PIN_INCORRECT || rv == CKR_PIN_INVALID || rv == CKR_PIN_LEN_RANGE)
            return wrongPin("the token '" + shownName(label) + "'");
        if (rv == CKR_PIN_LOCKED)
            return "the PIN of the token '" + shownName(label) +
                   "' is locked after too many wrong PINs: unblock it (with its PUK or "
                   "security officer PIN) before signing";
        if (rv != CKR_OK && rv != CKR_USER_ALREADY_LOGGED_IN)
            return "the token '" + shownName(label) + "' refused the PIN (" + p11_kit_strerror(rv) +
                   ")";
        loaded.loggedIn_ = true;
    }
    // A PIN pad's token shows its private keys only once the PIN is typed there, which
    // osslsigncode asks for; the key is looked for on it then.
    std::vector<CK_OBJECT_HANDLE> keys;
    if (!pinPad || loaded.loggedIn_) {
        keys = findObjects(loaded, key.get(), CKO_PRIVATE_KEY);
        if (keys.empty())
            return objectAbsent("private key", keyUri,
                                "p11tool --login --list-privkeys '" + tokenUri(token) + "'");
    }
    std::unique_ptr<X509, X509Free> certificate;
    if (!certUri.empty()) {
        Uri cert = parseUri(certUri, result);
        if (!p11_kit_uri_match_token_info(cert.get(), &token))
            return "the certificate's URI " + shownName(certUri) +
                   " names another token than the key's; give both on the same token, or the "
                   "certificate chain as a file with --sign-cert";
        std::vector<CK_OBJECT_HANDLE> certs = findObjects(loaded, cert.get(), CKO_CERTIFICATE);
        if (certs.empty())
            return objectAbsent("certificate", certUri,
                                "p11tool --list-all-certs '" + tokenUri(token) + "'");
        std::string der = attributeBytes(loaded, certs.front(), CKA_VALUE);
        const auto* cursor = reinterpret_cast<const unsigned char*>(der.data());
        certificate.reset(d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
    } else {
        certificate = firstPemCertificate(certPath);
    }
    // An RSA key tells its modulus even when it never leaves the token: compare it with the
    // certificate's. Other keys are compared by osslsigncode when it signs.
    if (!keys.empty()) {
        std::string modulus =
            withoutLeadingZeros(attributeBytes(loaded, keys.front(), CKA_MODULUS));
        std::string certified = rsaModulus(certificate.get());
        if (!modulus.empty() && !certified.empty() && modulus != certified)
            return "the key " + shownName(keyUri) + " does not belong to the certificate " +
                   shownName(certUri.empty() ? certPath : certUri) +
                   "; give the key the certificate was issued for";
    }
    return "";
}

}  // namespace

std::string tokenUriProblem(const std::string& uri, bool forKey) {
    const char* option = forKey ? "--sign-key-uri" : "--sign-cert-uri";
    int result = 0;
    Uri parsed = parseUri(uri, result);
    if (result != P11_KIT_URI_OK)
        return std::string(option) + " '" + shownName(uri) + "' is not a PKCS #11 URI (" +
               p11_kit_uri_message(result) +
               "); give one as p11tool --list-all shows it: "
               "'pkcs11:token=LABEL;object=NAME;type=" +
               (forKey ? "private" : "cert") + "'";
    if (p11_kit_uri_get_pin_value(parsed.get()) != nullptr ||
        p11_kit_uri_get_pin_source(parsed.get()) != nullptr)
        return std::string(option) +
               " holds a PIN (pin-value or pin-source), which would be on a command line every "
               "user of the machine can read: leave it out of the URI and " +
               pinAdvice();
    CK_ATTRIBUTE* kind = p11_kit_uri_get_attribute(parsed.get(), CKA_CLASS);
    CK_OBJECT_CLASS wanted = forKey ? CKO_PRIVATE_KEY : CKO_CERTIFICATE;
    if (kind != nullptr && (kind->ulValueLen != sizeof wanted ||
                            std::memcmp(kind->pValue, &wanted, sizeof wanted) != 0))
        return std::string(option) + " '" + shownName(uri) + "' names no " +
               (forKey ? "private key" : "certificate") + ": its type must be " +
               (forKey ? "private" : "cert") + " (or left out)";
    if (p11_kit_uri_any_unrecognized(parsed.get()))
        return std::string(option) + " '" + shownName(uri) +
               "' holds attributes PKCS #11 URIs do not have; give it as p11tool --list-all "
               "shows it";
    return "";
}

std::string missingPkcs11Engine() {
    const char* folder = std::getenv("OPENSSL_ENGINES");
    std::string engines = folder != nullptr && *folder != 0 ? folder : "";
    if (engines.empty()) {
        // "ENGINESDIR: \"/usr/lib/x86_64-linux-gnu/engines-3\""
        std::string built = OpenSSL_version(OPENSSL_ENGINES_DIR);
        size_t open = built.find('"'), close = built.rfind('"');
        if (open != std::string::npos && close > open)
            engines = built.substr(open + 1, close - open - 1);
    }
    std::string path = engines + "/" + kEngineFile;
    if (access(path.c_str(), R_OK) == 0) return "";
    return "signing with a key on a token needs OpenSSL's pkcs11 engine (" + shownName(path) +
           "), which is not installed: apt-get install " + kEnginePackage;
}

void checkTokenKey(const std::string& module, const std::string& keyUri, const std::string& certUri,
                   const std::string& certPath, const std::string& pin) {
    std::string problem = tokenProblem(module, keyUri, certUri, certPath, pin);
    if (!problem.empty()) refuse("%s", problem.c_str());
}

std::string tokenFailure(const std::string& output, const std::string& module,
                         const std::string& keyUri, const std::string& certUri) {
    auto says = [&](const char* words) { return output.find(words) != std::string::npos; };
    if (says("PIN incorrect") || says("PIN invalid"))
        return wrongPin("the token of " + shownName(keyUri));
    if (says("PIN locked"))
        return "the token's PIN is locked after too many wrong PINs: unblock it (with its PUK "
               "or security officer PIN) before signing";
    if (says("No matching initialized token") || says("No tokens found"))
        return tokenAbsent(keyUri, "osslsigncode found none");
    if (says("The private key was not found"))
        return objectAbsent("private key", keyUri, "p11tool --login --list-privkeys");
    if (says("The certificate was not found"))
        return objectAbsent("certificate", certUri, "p11tool --list-all-certs");
    if (says("Unable to load module"))
        return "cannot load the PKCS #11 module " + shownName(module) + "; " + moduleAdvice();
    if (says("Failed to find and load 'pkcs11' engine"))
        return missingPkcs11Engine().empty()
                   ? "OpenSSL's pkcs11 engine does not load: apt-get install --reinstall " +
                         std::string(kEnginePackage)
                   : missingPkcs11Engine();
    return "";
}

}  // namespace trellane
