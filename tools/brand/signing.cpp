#include "brand/signing.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brand/osslsigncode.h"
#include "brand/signature_details.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/shown_text.h"
#include "common/system_error.h"
#include "common/temporary_path.h"
#include "exe/launcher_file.h"

namespace trellane {

namespace {

// Debian's bundle of the roots the system trusts.
const char kSystemRoots[] = "/etc/ssl/certs/ca-certificates.crt";

// osslsigncode reads at most this much of a password file.
constexpr size_t kMaxPasswordSize = 4095;
// A password file holds a line; anything much larger is another file given by mistake.
constexpr size_t kMaxPasswordFileSize = 64 * 1024;

// Below this, certificate authorities no longer issue code-signing certificates for RSA keys.
constexpr int kSmallestUsualRsaBits = 2048;

// osslsigncode's words for the failures a packager can mend (2.5 and 2.9 alike).
const char* const kWrongPassword[] = {"mac verify failure", "Wrong password"};
const char* const kKeyMismatch[] = {"key values mismatch", "consistency of a private key"};
const char* const kNotPkcs12[] = {"Failed to extract PKCS#12 data"};

template <size_t N>
bool mentions(const std::string& output, const char* const (&words)[N]) {
    for (const char* word : words)
        if (output.find(word) != std::string::npos) return true;
    return false;
}

// What osslsigncode verify found wrong: OpenSSL's reason ("unable to get local issuer
// certificate"), its "Error: ..." lines, else its own lines.
std::string verifyProblem(const std::string& output) {
    const char kVerifyError[] = "Verify error: ";
    size_t at = output.find(kVerifyError);
    if (at != std::string::npos) {
        size_t start = at + sizeof kVerifyError - 1;
        return output.substr(start, output.find('\n', start) - start);
    }
    std::string errors;
    for (at = output.find("Error: "); at != std::string::npos;
         at = output.find("Error: ", at + 1)) {
        size_t start = at + 7;
        errors +=
            (errors.empty() ? "" : "; ") + output.substr(start, output.find('\n', start) - start);
    }
    return errors.empty() ? osslsigncodeMessage(output) : errors;
}

// osslsigncode's last words, or how it ended when it said nothing.
std::string lastWords(const ProgramRun& run) {
    std::string message = osslsigncodeMessage(outputTail(run.output, 2000));
    if (message.empty()) return "it ended with " + describeEnd(run) + " and said nothing";
    if (run.status != 1 && run.status != 255) message += " (" + describeEnd(run) + ")";
    return message;
}

// Whether osslsigncode can carry the description: it writes it as an ASCII string.
bool describable(const std::string& description) {
    if (description.empty()) return false;
    for (unsigned char c : description)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

// A private folder beside the signed file for osslsigncode's output and the certificates to
// verify against; it goes before any refusal, on a signal, and once the signed file is in
// place.
class SigningFolder {
  public:
    explicit SigningFolder(const std::string& signedPath) {
        path_ = temporaryTemplateBeside(signedPath);
        if (!createTemporaryFolder(path_))
            refuse("cannot sign into %s: %s", shownName(signedPath).c_str(),
                   describeError(errno, signedPath).c_str());
    }

    std::string file(const char* name) const { return path_ + "/" + name; }

    void remove() const { removeTemporaryPath(path_); }

    [[noreturn]] __attribute__((format(printf, 2, 3))) void refuse(const char* format, ...) const {
        remove();
        char message[4096];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
        trellane::refuse("%s", message);
    }

  private:
    std::string path_;
};

std::string passwordFromFile(const std::string& path) {
    std::string text, problem;
    if (!readRegularFile(path, kMaxPasswordFileSize, text, problem))
        refuse("cannot read the password file %s: %s", shownName(path).c_str(), problem.c_str());
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty())
        refuse(
            "the password file %s is empty: write the password on its first line (a key "
            "without a password needs no --sign-password-file)",
            shownName(path).c_str());
    return line;
}

std::string passwordFromVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        refuse("the variable %s, which should hold the signing password, is not set", name.c_str());
    if (*value == 0)
        refuse(
            "the variable %s, which should hold the signing password, is empty: set it to the "
            "password (a key without a password needs no --sign-password-env)",
            name.c_str());
    return value;
}

// The password, from its file's first line or its variable; "" when none is asked for.
std::string signingPassword(const SigningRequest& request) {
    std::string password;
    if (!request.passwordFile.empty()) password = passwordFromFile(request.passwordFile);
    if (!request.passwordEnv.empty()) password = passwordFromVariable(request.passwordEnv);
    if (password.size() > kMaxPasswordSize)
        refuse("the signing password is %zu bytes long; osslsigncode reads at most %zu",
               password.size(), kMaxPasswordSize);
    return password;
}

[[noreturn]] void refuseSigning(const SigningFolder& folder, const SigningRequest& request,
                                const ProgramRun& run) {
    if (run.timedOut && !request.timestampUrl.empty())
        folder.refuse(
            "osslsigncode did not finish signing within %u s: the timestamp server %s may not "
            "be answering; try again later, give another --timestamp-url, or allow longer "
            "with --sign-timeout",
            request.timeoutSeconds, request.timestampUrl.c_str());
    if (run.timedOut)
        folder.refuse(
            "osslsigncode did not finish signing within %u s; allow longer with "
            "--sign-timeout",
            request.timeoutSeconds);
    const std::string& output = run.output;
    if (!request.pkcs12Path.empty() && mentions(output, kWrongPassword))
        folder.refuse("the password does not open %s; give the password it was exported with",
                      shownName(request.pkcs12Path).c_str());
    if (!request.pkcs12Path.empty() && mentions(output, kNotPkcs12))
        folder.refuse(
            "%s is not a PKCS #12 file; give a .p12/.pfx file, or a PEM certificate "
            "chain and key",
            shownName(request.pkcs12Path).c_str());
    if (mentions(output, kKeyMismatch))
        folder.refuse(
            "the key %s does not belong to the certificate %s; give the key the "
            "certificate was issued for",
            shownName(request.keyPath).c_str(), shownName(request.certPath).c_str());
    folder.refuse("osslsigncode could not sign: %s", lastWords(run).c_str());
}

// Whether the file begins as a Windows executable does ("MZ"); an installer (MSI) does not,
// and may be far larger than any launcher.
bool isWindowsExecutable(const std::string& path) {
    char start[2] = {0, 0};
    FILE* file = std::fopen(path.c_str(), "rb");
    bool read = file != nullptr && std::fread(start, 1, 2, file) == 2;
    if (file != nullptr) std::fclose(file);
    return read && start[0] == 'M' && start[1] == 'Z';
}

// The signature osslsigncode wrote, read back: from a Windows executable's certificate table
// here; from any other file (an installer) through osslsigncode extract-signature, which
// writes the bare PKCS #7 data for those.
SignatureDetails readWrittenSignature(const SigningFolder& folder, const Osslsigncode& tool,
                                      const std::string& signedFile, unsigned timeoutSeconds) {
    SignatureDetails details;
    std::string problem;
    if (isWindowsExecutable(signedFile)) {
        bool found = false;
        if (readPeSignatureDetails(readLauncherFile(signedFile).bytes, found, details, problem))
            return details;
        folder.refuse("the file osslsigncode signed %s; sign with another osslsigncode",
                      found ? problem.c_str() : "has no signature");
    }
    ProgramRun run = runOsslsigncode(
        tool, {"extract-signature", "-in", signedFile, "-out", folder.file("signature.der")}, "",
        timeoutSeconds);
    if (!run.succeeded())
        folder.refuse("the signature osslsigncode wrote cannot be read back: %s",
                      lastWords(run).c_str());
    if (!readSignatureDetails(readLauncherFile(folder.file("signature.der")).bytes, details,
                              problem))
        folder.refuse("the signature osslsigncode wrote %s", problem.c_str());
    return details;
}

// The certificates to verify against: those the signature carries (the signer's chain, its
// root included when the packager gave it) and the roots the system trusts. So a throwaway
// self-signed certificate verifies, and so does a real CA's chain whether or not its root
// was given: the check proves the signature is whole, matches the file and has a complete
// chain; whether Windows trusts that chain is Windows' to decide.
void writeVerificationRoots(const SigningFolder& folder, const SignatureDetails& details) {
    std::string roots = details.certificatesPem;
    if (access(kSystemRoots, R_OK) == 0) roots += readLauncherFile(kSystemRoots).bytes;
    FILE* file = std::fopen(folder.file("roots.pem").c_str(), "wb");
    if (file == nullptr || std::fwrite(roots.data(), 1, roots.size(), file) != roots.size() ||
        std::fclose(file) != 0)
        folder.refuse("cannot write the certificates to verify against: %s",
                      describeError(errno, folder.file("roots.pem")).c_str());
}

void noteSmallKey(const SignatureDetails& details) {
    if (details.keyType == "RSA" && details.keyBits < kSmallestUsualRsaBits)
        notice("note: ",
               "the signing key is RSA of %d bits; certificate authorities and "
               "current Windows expect %d bits or more, so sign with a larger key",
               details.keyBits, kSmallestUsualRsaBits);
}

}  // namespace

bool wantsSignature(const SigningRequest& request) {
    return !request.pkcs12Path.empty() || !request.certPath.empty() || !request.keyPath.empty();
}

void checkSigningRequest(const SigningRequest& request) {
    bool pem = !request.certPath.empty() || !request.keyPath.empty();
    if (!request.pkcs12Path.empty() && pem)
        refuseUsage("sign with a PKCS #12 file or with a PEM certificate and key, not both");
    if (pem && (request.certPath.empty() || request.keyPath.empty()))
        refuseUsage("a PEM certificate chain and its key go together: give both");
    if (!request.passwordFile.empty() && !request.passwordEnv.empty())
        refuseUsage("give the signing password from a file or from a variable, not both");
    bool password = !request.passwordFile.empty() || !request.passwordEnv.empty();
    if ((password || !request.timestampUrl.empty()) && !wantsSignature(request))
        refuseUsage(
            "a signing password or timestamp URL needs a PKCS #12 file or a PEM "
            "certificate and key to sign with");
}

unsigned parseSignTimeout(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoul(text) == 0)
        refuseUsage("--sign-timeout '%s' is not a number of seconds (1 or more)", text.c_str());
    return static_cast<unsigned>(std::stoul(text));
}

std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output) {
    std::vector<std::string> arguments = {"sign"};
    if (!request.pkcs12Path.empty()) {
        arguments.insert(arguments.end(), {"-pkcs12", request.pkcs12Path});
    } else {
        arguments.insert(arguments.end(), {"-certs", request.certPath, "-key", request.keyPath});
    }
    if (!request.passwordFile.empty() || !request.passwordEnv.empty())
        arguments.insert(arguments.end(), {"-readpass", kSecretFile});
    arguments.insert(arguments.end(), {"-h", "sha256"});
    if (describable(request.description))
        arguments.insert(arguments.end(), {"-n", request.description});
    if (!request.timestampUrl.empty())
        arguments.insert(arguments.end(), {"-ts", request.timestampUrl});
    arguments.insert(arguments.end(), {"-in", input, "-out", output});
    return arguments;
}

void signExecutable(const std::string& unsignedPath, const std::string& signedPath,
                    const SigningRequest& request) {
    checkSigningRequest(request);
    if (!wantsSignature(request))
        refuseUsage("signing needs a PKCS #12 file, or a PEM certificate chain and its key");
    const unsigned timeout = request.timeoutSeconds;
    std::string password = signingPassword(request);
    const Osslsigncode& tool = requireOsslsigncode(timeout);
    if (!request.description.empty() && !describable(request.description))
        notice("note: ",
               "the signature names no program: osslsigncode can write only "
               "ASCII, and \"%s\" is not; Windows' dialogs show the file name instead",
               request.description.c_str());
    struct stat unsignedInfo;
    if (stat(unsignedPath.c_str(), &unsignedInfo) != 0)
        refuse("cannot sign %s: %s", shownName(unsignedPath).c_str(), strerror(errno));

    SigningFolder folder(signedPath);
    std::string signedFile = folder.file("signed");
    ProgramRun run = runOsslsigncode(tool, signingArguments(request, unsignedPath, signedFile),
                                     password, timeout);
    if (!run.succeeded()) {
        // osslsigncode says only that it could not write ("Unable to modify file header"):
        // with less room left than the file it writes, the disk is what to fix.
        struct statvfs space;
        if (statvfs(folder.file(".").c_str(), &space) == 0 &&
            uint64_t(space.f_bavail) * space.f_frsize < uint64_t(unsignedInfo.st_size))
            folder.refuse("cannot sign into %s: %s (osslsigncode: %s)",
                          shownName(signedPath).c_str(),
                          describeError(ENOSPC, signedPath).c_str(), lastWords(run).c_str());
        refuseSigning(folder, request, run);
    }

    SignatureDetails details = readWrittenSignature(folder, tool, signedFile, timeout);
    if (details.digest != "SHA-256")
        folder.refuse("osslsigncode signed with %s, not SHA-256; sign with another osslsigncode",
                      details.digest.c_str());
    noteSmallKey(details);
    writeVerificationRoots(folder, details);
    std::vector<std::string> verify = {"verify",
                                       "-in",
                                       signedFile,
                                       "-CAfile",
                                       folder.file("roots.pem"),
                                       "-TSA-CAfile",
                                       folder.file("roots.pem")};
    if (tool.canIgnoreCrl()) verify.push_back("-ignore-crl");
    run = runOsslsigncode(tool, verify, "", timeout);
    if (run.timedOut)
        folder.refuse(
            "osslsigncode did not finish verifying %s within %u s; allow longer with "
            "--sign-timeout",
            shownName(signedPath).c_str(), timeout);
    if (!run.succeeded())
        folder.refuse(
            "%s does not verify once signed (%s); give the whole certificate chain up to its "
            "root, with a certificate meant for code signing and valid today",
            shownName(signedPath).c_str(), verifyProblem(run.output).c_str());

    stopIfInterrupted();
    if (chmod(signedFile.c_str(), unsignedInfo.st_mode & 0777) != 0 ||
        rename(signedFile.c_str(), signedPath.c_str()) != 0)
        folder.refuse("cannot write %s: %s", shownName(signedPath).c_str(),
                      describeError(errno, signedPath).c_str());
    folder.remove();
}

}  // namespace trellane
