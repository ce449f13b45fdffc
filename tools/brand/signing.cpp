#include "brand/signing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/temporary_path.h"
#include "exe/launcher_file.h"

namespace trellane {

namespace {

// Debian's bundle of the roots the system trusts.
const char kSystemRoots[] = "/etc/ssl/certs/ca-certificates.crt";

// osslsigncode's words for the failures a packager can mend.
const char* const kWrongPassword[] = {"mac verify failure", "Wrong password"};
const char* const kKeyMismatch[] = {"key values mismatch", "consistency of a private key"};
const char* const kNotPkcs12[] = {"Failed to extract PKCS#12 data"};

template <size_t N>
bool mentions(const std::string& output, const char* const (&words)[N]) {
    for (const char* word : words)
        if (output.find(word) != std::string::npos) return true;
    return false;
}

// osslsigncode's own lines, without OpenSSL's error queue ("40C0...:error:...").
std::string ownLines(const std::string& output) {
    std::string lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.find(":error:") == std::string::npos)
            lines += (lines.empty() ? "" : "; ") + line;
        start = end + 1;
    }
    return lines;
}

// What osslsigncode verify found wrong: its "Error: ..." lines, else its own lines.
std::string verifyProblem(const std::string& output) {
    std::string errors;
    for (size_t at = output.find("Error: "); at != std::string::npos;
         at = output.find("Error: ", at + 1)) {
        size_t start = at + 7;
        errors +=
            (errors.empty() ? "" : "; ") + output.substr(start, output.find('\n', start) - start);
    }
    return errors.empty() ? ownLines(output) : errors;
}

std::string requireProgram(const char* name, const char* package) {
    std::string path = findProgram(name);
    if (path.empty())
        refuse("signing needs %s, which is not installed: apt-get install %s", name, package);
    return path;
}

// Whether osslsigncode can carry the description: it writes it as an ASCII string.
bool describable(const std::string& description) {
    if (description.empty()) return false;
    for (unsigned char c : description)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

// A private folder beside the signed file for osslsigncode's output, the signature and the
// certificates to verify against; it goes before any refusal, on a signal, and once the
// signed file is in place.
class SigningFolder {
  public:
    explicit SigningFolder(const std::string& signedPath) {
        path_ = temporaryTemplateBeside(signedPath);
        if (!createTemporaryFolder(path_))
            refuse("cannot sign into %s: %s", signedPath.c_str(), strerror(errno));
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

// The password's way to osslsigncode: its file is named on the command line; a variable's
// value goes through standard input.
std::string passwordInput(const SigningRequest& request) {
    if (!request.passwordFile.empty() && access(request.passwordFile.c_str(), R_OK) != 0)
        refuse("cannot read the password file %s: %s", request.passwordFile.c_str(),
               strerror(errno));
    if (request.passwordEnv.empty()) return "";
    const char* value = std::getenv(request.passwordEnv.c_str());
    if (value == nullptr)
        refuse("the variable %s, which should hold the signing password, is not set",
               request.passwordEnv.c_str());
    return value;
}

[[noreturn]] void refuseSigning(const SigningFolder& folder, const SigningRequest& request,
                                const std::string& output) {
    if (!request.pkcs12Path.empty() && mentions(output, kWrongPassword))
        folder.refuse("the password does not open %s; give the password it was exported with",
                      request.pkcs12Path.c_str());
    if (!request.pkcs12Path.empty() && mentions(output, kNotPkcs12))
        folder.refuse(
            "%s is not a PKCS #12 file; give a .p12/.pfx file, or a PEM certificate "
            "chain and key",
            request.pkcs12Path.c_str());
    if (mentions(output, kKeyMismatch))
        folder.refuse(
            "the key %s does not belong to the certificate %s; give the key the "
            "certificate was issued for",
            request.keyPath.c_str(), request.certPath.c_str());
    folder.refuse("osslsigncode could not sign: %s", ownLines(output).c_str());
}

// The certificates to verify against: those the signature carries (the signer's chain, its
// root included when the packager gave it) and the roots the system trusts. So a throwaway
// self-signed certificate verifies, and so does a real CA's chain whether or not its root
// was given: the check proves the signature is whole, matches the file and has a complete
// chain; whether Windows trusts that chain is Windows' to decide.
void writeVerificationRoots(const SigningFolder& folder, const std::string& osslsigncode,
                            const std::string& openssl, const std::string& signedFile) {
    ProgramRun run = runProgram({osslsigncode, "extract-signature", "-in", signedFile, "-out",
                                 folder.file("signature.der")});
    if (run.status != 0)
        folder.refuse("the signed launcher's signature cannot be read back: %s",
                      ownLines(run.output).c_str());
    run = runProgram({openssl, "pkcs7", "-inform", "DER", "-in", folder.file("signature.der"),
                      "-print_certs", "-out", folder.file("roots.pem")});
    if (run.status != 0)
        folder.refuse("the signed launcher's certificates cannot be read back: %s",
                      ownLines(run.output).c_str());
    if (access(kSystemRoots, R_OK) != 0) return;
    std::string roots = readLauncherFile(folder.file("roots.pem")).bytes;
    roots += "\n" + readLauncherFile(kSystemRoots).bytes;
    FILE* file = std::fopen(folder.file("roots.pem").c_str(), "wb");
    if (file == nullptr || std::fwrite(roots.data(), 1, roots.size(), file) != roots.size() ||
        std::fclose(file) != 0)
        folder.refuse("cannot write the certificates to verify against: %s", strerror(errno));
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

std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output) {
    std::vector<std::string> arguments = {"sign"};
    if (!request.pkcs12Path.empty()) {
        arguments.insert(arguments.end(), {"-pkcs12", request.pkcs12Path});
    } else {
        arguments.insert(arguments.end(), {"-certs", request.certPath, "-key", request.keyPath});
    }
    if (!request.passwordFile.empty())
        arguments.insert(arguments.end(), {"-readpass", request.passwordFile});
    if (!request.passwordEnv.empty()) arguments.insert(arguments.end(), {"-readpass", "-"});
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
    std::string osslsigncode = requireProgram("osslsigncode", "osslsigncode");
    std::string openssl = requireProgram("openssl", "openssl");
    std::string password = passwordInput(request);
    if (!request.description.empty() && !describable(request.description))
        std::fprintf(stderr,
                     "%s: note: the signature names no program: osslsigncode can write only "
                     "ASCII, and \"%s\" is not; Windows' dialogs show the file name instead\n",
                     toolName(), request.description.c_str());
    struct stat unsignedInfo;
    if (stat(unsignedPath.c_str(), &unsignedInfo) != 0)
        refuse("cannot sign %s: %s", unsignedPath.c_str(), strerror(errno));

    SigningFolder folder(signedPath);
    std::string signedFile = folder.file("signed.exe");
    std::vector<std::string> arguments = signingArguments(request, unsignedPath, signedFile);
    arguments.insert(arguments.begin(), osslsigncode);
    ProgramRun run = runProgram(arguments, {password});
    if (run.status != 0) refuseSigning(folder, request, run.output);

    writeVerificationRoots(folder, osslsigncode, openssl, signedFile);
    run =
        runProgram({osslsigncode, "verify", "-in", signedFile, "-CAfile", folder.file("roots.pem"),
                    "-TSA-CAfile", folder.file("roots.pem"), "-ignore-crl"});
    if (run.status != 0)
        folder.refuse(
            "the signed launcher does not verify (%s); give the whole certificate "
            "chain up to its root, with a certificate meant for code signing and valid "
            "today",
            verifyProblem(run.output).c_str());

    if (chmod(signedFile.c_str(), unsignedInfo.st_mode & 0777) != 0 ||
        rename(signedFile.c_str(), signedPath.c_str()) != 0)
        folder.refuse("cannot write %s: %s", signedPath.c_str(), strerror(errno));
    folder.remove();
}

std::string describeSignature(const std::string& path) {
    std::string osslsigncode = requireProgram("osslsigncode", "osslsigncode");
    ProgramRun run = runProgram({osslsigncode, "verify", "-in", path, "-ignore-crl"});
    size_t signer = run.output.find("Signer's certificate:");
    size_t subject = run.output.find("Subject: ", signer);
    if (signer == std::string::npos || subject == std::string::npos) return "";
    size_t start = subject + 9;
    std::string printed = run.output.substr(start, run.output.find('\n', start) - start);
    // osslsigncode prints bytes outside ASCII as \xHH.
    std::string text;
    for (size_t i = 0; i < printed.size(); ++i) {
        char* end = nullptr;
        if (printed.compare(i, 2, "\\x") == 0 && i + 4 <= printed.size()) {
            std::string hex = printed.substr(i + 2, 2);
            long byte = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                text.push_back(static_cast<char>(byte));
                i += 3;
                continue;
            }
        }
        text.push_back(printed[i]);
    }
    return text;
}

}  // namespace trellane
