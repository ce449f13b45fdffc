#include "brand/signing.h"

#include <fcntl.h>
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
#include "brand/pkcs11_token.h"
#include "brand/sign_command.h"
#include "brand/signature_details.h"
#include "brand/throwaway_key.h"
#include "common/child_process.h"
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

// Where a password or a PIN comes from, and the words its messages use.
struct SecretSource {
    const char* noun;        // "password", "PIN"
    const char* holder;      // "the signing password", "the token's PIN"
    const char* fileOption;  // "--sign-password-file"
    const char* envOption;
    bool optional;  // a PKCS #12 file or PEM key may have none
};

const SecretSource kPassword = {"password", "the signing password", "--sign-password-file",
                                "--sign-password-env", true};
const SecretSource kPin = {"PIN", "the token's PIN", "--sign-pin-file", "--sign-pin-env", false};

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string emptyAdvice(const SecretSource& source, const char* option) {
    if (!source.optional) return "";
    return std::string(" (a key without a password needs no ") + option + ")";
}

// The first line of standard input: a pipe (a secret store's command), never a terminal, where
// the tool cannot ask without showing what is typed.
std::string secretFromStandardInput(const SecretSource& source) {
    if (isatty(0))
        refuse(
            "%s is '-', standard input, which is a terminal here: pipe %s in (for example "
            "secret-tool lookup ... | %s ... %s -), or give it with %s",
            source.fileOption, source.holder, toolName(), source.fileOption, source.envOption);
    std::string text;
    char chunk[512];
    while (text.find('\n') == std::string::npos && text.size() <= kMaxPasswordFileSize) {
        ssize_t got = read(0, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            stopIfInterrupted();
            continue;
        }
        if (got < 0)
            refuse("cannot read %s from standard input: %s", source.holder, strerror(errno));
        if (got == 0) break;
        text.append(chunk, static_cast<size_t>(got));
    }
    std::string line = firstLine(text);
    if (line.empty())
        refuse("standard input holds no %s: write %s on its first line", source.noun,
               source.holder);
    return line;
}

std::string secretFromFile(const SecretSource& source, const std::string& path) {
    if (path == "-") return secretFromStandardInput(source);
    std::string text, problem;
    if (!readRegularFile(path, kMaxPasswordFileSize, text, problem))
        refuse("cannot read the %s file %s: %s", source.noun, shownName(path).c_str(),
               problem.c_str());
    std::string line = firstLine(text);
    if (line.empty())
        refuse("the %s file %s is empty: write the %s on its first line%s", source.noun,
               shownName(path).c_str(), source.noun,
               emptyAdvice(source, source.fileOption).c_str());
    return line;
}

std::string secretFromVariable(const SecretSource& source, const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        refuse("the variable %s, which should hold %s, is not set", name.c_str(), source.holder);
    if (*value == 0)
        refuse("the variable %s, which should hold %s, is empty: set it to the %s%s",
               name.c_str(), source.holder, source.noun,
               emptyAdvice(source, source.envOption).c_str());
    return value;
}

// The password or PIN, from its file's first line, standard input or its variable; "" when
// none is asked for.
std::string signingSecret(const SigningRequest& request) {
    std::string secret;
    const SecretSource& source = request.keyUri.empty() ? kPassword : kPin;
    const std::string& file = request.keyUri.empty() ? request.passwordFile : request.pinFile;
    const std::string& variable = request.keyUri.empty() ? request.passwordEnv : request.pinEnv;
    if (!file.empty()) secret = secretFromFile(source, file);
    if (!variable.empty()) secret = secretFromVariable(source, variable);
    if (secret.size() > kMaxPasswordSize)
        refuse("%s is %zu bytes long; osslsigncode reads at most %zu", source.holder,
               secret.size(), kMaxPasswordSize);
    return secret;
}

// How the sign command is named in messages: its text as given.
std::string commandName(const SigningRequest& request) {
    return "the sign command '" + shownName(request.command) + "'";
}

// Where the signed file is made, what made it, and how big the unsigned one was: what the
// checks after signing need for their messages.
struct SigningRun {
    SigningRun(const SigningFolder& f, const SigningRequest& r, const std::string& path)
        : folder(f), request(r), signedPath(path) {}

    const SigningFolder& folder;
    const SigningRequest& request;
    const std::string& signedPath;  // the destination
    std::string signedFile;         // in the folder
    uint64_t unsignedSize = 0;
    std::string signerName;  // "osslsigncode", or "the sign command '...'"

    [[noreturn]] void refuseUnlessFull(const std::string& problem) const;
};

// With less room left on the destination's file system than the unsigned file takes, the
// signed one cannot be whole: the disk is what to fix, whatever the signer said (osslsigncode
// says only that it could not write, or 2.5 even that it succeeded, and leaves a cut file).
bool diskIsFull(const SigningFolder& folder, uint64_t unsignedSize) {
    struct statvfs space;
    return statvfs(folder.file(".").c_str(), &space) == 0 &&
           uint64_t(space.f_bavail) * space.f_frsize < unsignedSize;
}

void SigningRun::refuseUnlessFull(const std::string& problem) const {
    if (diskIsFull(folder, unsignedSize))
        folder.refuse("cannot sign into %s: %s (the file %s signed does not read back whole)",
                      shownName(signedPath).c_str(), describeError(ENOSPC, signedPath).c_str(),
                      signerName.c_str());
    folder.refuse("%s", problem.c_str());
}

[[noreturn]] void refuseSigning(const SigningRun& signing, const ProgramRun& run) {
    const SigningFolder& folder = signing.folder;
    const SigningRequest& request = signing.request;
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
    if (diskIsFull(folder, signing.unsignedSize))
        folder.refuse("cannot sign into %s: %s (osslsigncode: %s)",
                      shownName(signing.signedPath).c_str(),
                      describeError(ENOSPC, signing.signedPath).c_str(), lastWords(run).c_str());
    const std::string& output = run.output;
    if (!request.pkcs12Path.empty() && mentions(output, kWrongPassword))
        folder.refuse("the password does not open %s; give the password it was exported with",
                      shownName(request.pkcs12Path).c_str());
    if (!request.pkcs12Path.empty() && mentions(output, kNotPkcs12))
        folder.refuse(
            "%s is not a PKCS #12 file; give a .p12/.pfx file, or a PEM certificate "
            "chain and key",
            shownName(request.pkcs12Path).c_str());
    std::string key = request.keyUri.empty() ? request.keyPath : request.keyUri;
    std::string certificate = request.certUri.empty() ? request.certPath : request.certUri;
    if (mentions(output, kKeyMismatch))
        folder.refuse(
            "the key %s does not belong to the certificate %s; give the key the "
            "certificate was issued for",
            shownName(key).c_str(), shownName(certificate).c_str());
    if (!request.keyUri.empty()) {
        std::string problem =
            tokenFailure(output, request.pkcs11Module, request.keyUri, request.certUri);
        if (!problem.empty()) folder.refuse("%s", problem.c_str());
    }
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

// What keeps the signed file from being read back: "" when it is a regular file (the signer
// may not leave a link or anything else to be put in place). A file with parts never written
// (a hole a failed write left) on a full disk counts as cut short: osslsigncode reads through
// a mapping, and on a full tmpfs reading such a part kills it with SIGBUS. Elsewhere a hole
// reads as zeros (some file systems keep runs of zeros as holes), so it is left to the reading.
std::string unreadable(const std::string& path, bool diskFull) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return strerror(errno);
    if (!S_ISREG(info.st_mode)) return "is not a regular file";
    if (!diskFull || info.st_size == 0) return "";
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return strerror(errno);
    off_t hole = lseek(fd, 0, SEEK_HOLE);
    close(fd);
    return hole >= 0 && hole < info.st_size ? "has parts that were never written" : "";
}

// The signature the signer wrote, read back: from a Windows executable's certificate table
// here; from any other file (an installer) through osslsigncode extract-signature, which
// writes the bare PKCS #7 data for those.
SignatureDetails readWrittenSignature(const SigningRun& signing, const Osslsigncode& tool) {
    const SigningFolder& folder = signing.folder;
    const std::string& signedFile = signing.signedFile;
    const bool command = !signing.request.command.empty();
    const std::string shown = shownName(signing.signedPath);
    SignatureDetails details;
    std::string problem = unreadable(signedFile, diskIsFull(folder, signing.unsignedSize));
    if (!problem.empty())
        signing.refuseUnlessFull(command ? signing.signerName + " left " + shown + " damaged (it " +
                                               problem + ")"
                                         : "the file osslsigncode signed " + problem +
                                               "; sign with another osslsigncode");
    if (isWindowsExecutable(signedFile)) {
        bool found = false;
        if (readPeSignatureDetails(readLauncherFile(signedFile).bytes, found, details, problem))
            return details;
        if (command && !found && problem.empty())
            signing.refuseUnlessFull(signing.signerName + " exited 0 but left " + shown +
                                     " unsigned: it must sign the file {} names, in place");
        if (command)
            signing.refuseUnlessFull(signing.signerName + " left " + shown + " damaged (it " +
                                     problem + ")");
        signing.refuseUnlessFull("the file osslsigncode signed " +
                                 (found ? problem : std::string("has no signature")) +
                                 "; sign with another osslsigncode");
    }
    ProgramRun run = runOsslsigncode(
        tool, {"extract-signature", "-in", signedFile, "-out", folder.file("signature.der")}, "",
        signing.request.timeoutSeconds);
    if (!run.succeeded() && command)
        signing.refuseUnlessFull(signing.signerName + " exited 0 but left " + shown +
                                 " unsigned or damaged (osslsigncode: " + lastWords(run) +
                                 "): it must sign the file {} names, in place");
    if (!run.succeeded())
        signing.refuseUnlessFull("the signature osslsigncode wrote cannot be read back: " +
                                 lastWords(run));
    if (!readSignatureDetails(readLauncherFile(folder.file("signature.der")).bytes, details,
                              problem))
        folder.refuse("the signature %s wrote %s", signing.signerName.c_str(), problem.c_str());
    return details;
}

// The certificates to verify against: those the signature carries (the signer's chain, its
// root included when the packager gave it, and the timestamp's) and the roots the system
// trusts. So a throwaway
// self-signed certificate verifies, and so does a real CA's chain whether or not its root
// was given: the check proves the signature is whole, matches the file and has a complete
// chain; whether Windows trusts that chain is Windows' to decide.
void writeVerificationRoots(const SigningFolder& folder, const SignatureDetails& details) {
    std::string roots = details.certificatesPem + details.timestampCertificatesPem;
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

// osslsigncode's name for a digest the signature may use; "" for one refused.
const char* digestOption(const std::string& digest, bool command) {
    if (digest == "SHA-256") return "sha256";
    if (command && digest == "SHA-384") return "sha384";
    if (command && digest == "SHA-512") return "sha512";
    return "";
}

void copyFileOrRefuse(const SigningRun& signing, const std::string& from, const std::string& to) {
    std::string bytes, problem;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    char chunk[65536];
    ssize_t got = 0;
    bool copied = in >= 0 && out >= 0;
    while (copied && (got = read(in, chunk, sizeof chunk)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        copied = got > 0 && write(out, chunk, static_cast<size_t>(got)) == got;
    }
    int error = errno;
    if (in >= 0) close(in);
    if (out >= 0 && close(out) != 0 && copied) copied = false, error = errno;
    if (!copied)
        signing.folder.refuse("cannot sign into %s: %s", shownName(signing.signedPath).c_str(),
                              describeError(error, to).c_str());
}

// The sign command signs a copy named as the destination, in place; its end is checked here,
// what it wrote afterwards.
void runSignCommand(SigningRun& signing, const std::string& unsignedPath) {
    const SigningRequest& request = signing.request;
    std::string name = signing.signedPath.substr(signing.signedPath.rfind('/') + 1);
    signing.signedFile = signing.folder.file(name.c_str());
    copyFileOrRefuse(signing, unsignedPath, signing.signedFile);
    std::vector<std::string> words;
    std::string problem;
    parseSignCommand(request.command, words, problem);
    std::vector<std::string> arguments = signCommandArguments(words, signing.signedFile);
    arguments[0] = signCommandProgram(arguments[0]);
    if (arguments[0].empty())
        signing.folder.refuse("%s names no program that can be run", signing.signerName.c_str());
    ProgramOptions options;
    options.timeoutSeconds = request.timeoutSeconds;
    options.noTerminal = true;
    options.environment = {"TRELLANE_SIGN_FILE=" + signing.signedFile,
                           "TRELLANE_SIGN_NAME=" + request.description};
    ProgramRun run = runProgram(arguments, options);
    if (run.timedOut)
        signing.folder.refuse("%s did not finish within %u s; allow longer with --sign-timeout",
                              signing.signerName.c_str(), request.timeoutSeconds);
    if (!run.succeeded()) {
        std::string said = osslsigncodeMessage(outputTail(run.output, 2000));
        signing.folder.refuse("%s failed (%s)%s%s", signing.signerName.c_str(),
                              describeEnd(run).c_str(), said.empty() ? "" : ": ", said.c_str());
    }
}

// That the command signed the file it was given: the digest its signature states is the one
// osslsigncode computes for the unsigned file (found by signing that with a throwaway key),
// and osslsigncode verify has shown that the signed file's contents match its signature.
void checkSignedContents(const SigningRun& signing, const Osslsigncode& tool,
                         const std::string& unsignedPath, const SignatureDetails& details) {
    const SigningFolder& folder = signing.folder;
    if (!writeThrowawayKey(folder.file("probe.key"), folder.file("probe.pem")))
        folder.refuse("cannot make the key that checks what %s signed",
                      signing.signerName.c_str());
    ProgramRun run = runOsslsigncode(
        tool,
        {"sign", "-certs", folder.file("probe.pem"), "-key", folder.file("probe.key"), "-h",
         digestOption(details.digest, true), "-in", unsignedPath, "-out", folder.file("probe")},
        "", signing.request.timeoutSeconds);
    SignatureDetails expected;
    bool found = false;
    std::string problem;
    bool read = run.succeeded();
    if (read && isWindowsExecutable(unsignedPath)) {
        read = readPeSignatureDetails(readLauncherFile(folder.file("probe")).bytes, found,
                                      expected, problem);
    } else if (read) {
        run = runOsslsigncode(tool,
                              {"extract-signature", "-in", folder.file("probe"), "-out",
                               folder.file("probe.der")},
                              "", signing.request.timeoutSeconds);
        read = run.succeeded() &&
               readSignatureDetails(readLauncherFile(folder.file("probe.der")).bytes, expected,
                                    problem);
    }
    if (!read || expected.fileDigest.empty())
        signing.refuseUnlessFull("cannot tell what " + signing.signerName + " signed: " +
                                 (run.succeeded() ? problem : lastWords(run)));
    if (details.fileDigest != expected.fileDigest)
        folder.refuse(
            "%s signed another file than the one it was given (its signature is not for the "
            "contents of %s): it must sign the file {} names, in place, and change nothing "
            "else",
            signing.signerName.c_str(), shownName(signing.signedPath).c_str());
}

}  // namespace

bool wantsSignature(const SigningRequest& request) {
    return !request.pkcs12Path.empty() || !request.certPath.empty() ||
           !request.keyPath.empty() || !request.keyUri.empty() || !request.command.empty();
}

void checkSigningRequest(const SigningRequest& request) {
    bool token = !request.keyUri.empty() || !request.pkcs11Module.empty() ||
                 !request.certUri.empty() || !request.pinFile.empty() || !request.pinEnv.empty();
    bool pem = !request.keyPath.empty() || (!request.certPath.empty() && !token);
    bool pkcs12 = !request.pkcs12Path.empty();
    bool command = !request.command.empty();
    if (pkcs12 + pem + token + command > 1)
        refuseUsage(
            "sign one way: with a PKCS #12 file (--sign-pkcs12), PEM files (--sign-cert, "
            "--sign-key), a key on a token (--sign-pkcs11-module, --sign-key-uri) or a "
            "command (--sign-command), not several");
    if (pem && (request.certPath.empty() || request.keyPath.empty()))
        refuseUsage("a PEM certificate chain and its key go together: give both");
    if (!request.passwordFile.empty() && !request.passwordEnv.empty())
        refuseUsage("give the signing password from a file or from a variable, not both");
    if (!request.pinFile.empty() && !request.pinEnv.empty())
        refuseUsage("give the token's PIN from a file or from a variable, not both");
    bool password = !request.passwordFile.empty() || !request.passwordEnv.empty();
    if (token) {
        if (request.keyUri.empty())
            refuseUsage(
                "a key on a token needs --sign-key-uri, its PKCS #11 URI "
                "('pkcs11:token=LABEL;object=NAME;type=private', as p11tool --list-all "
                "shows it)");
        if (request.pkcs11Module.empty())
            refuseUsage(
                "a key on a token needs --sign-pkcs11-module, the token's PKCS #11 library "
                "(OpenSC's /usr/lib/x86_64-linux-gnu/opensc-pkcs11.so, a YubiKey's "
                "libykcs11.so, ...)");
        if (request.certUri.empty() == request.certPath.empty())
            refuseUsage(
                "a key on a token needs its certificate from one place: the token "
                "(--sign-cert-uri URI) or a PEM chain file (--sign-cert FILE)");
        if (password)
            refuseUsage(
                "a key on a token takes its PIN with --sign-pin-env or --sign-pin-file, not "
                "a password option");
        for (bool key : {true, false}) {
            const std::string& uri = key ? request.keyUri : request.certUri;
            std::string problem = uri.empty() ? "" : tokenUriProblem(uri, key);
            if (!problem.empty()) refuseUsage("%s", problem.c_str());
        }
    }
    if (command) {
        std::vector<std::string> words;
        std::string problem;
        if (!parseSignCommand(request.command, words, problem))
            refuseUsage("--sign-command '%s' %s", shownName(request.command).c_str(),
                        problem.c_str());
        if (password || !request.timestampUrl.empty())
            refuseUsage(
                "the sign command reaches its key and its timestamp server itself: give them "
                "to its tool, not as %s",
                password ? "a signing password" : "--timestamp-url");
    }
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

SigningRequest prepareSigning(const SigningRequest& request) {
    if (request.prepared || !wantsSignature(request)) return request;
    checkSigningRequest(request);
    SigningRequest prepared = request;
    prepared.secret = signingSecret(request);
    requireOsslsigncode(request.timeoutSeconds);
    if (!request.keyUri.empty()) {
        std::string missing = missingPkcs11Engine();
        if (!missing.empty()) refuse("%s", missing.c_str());
        checkTokenKey(request.pkcs11Module, request.keyUri, request.certUri, request.certPath,
                      prepared.secret);
    }
    if (!request.command.empty()) {
        std::vector<std::string> words;
        std::string problem;
        parseSignCommand(request.command, words, problem);
        if (signCommandProgram(words[0]).empty())
            refuse("%s cannot be run: %s is %s; give a program on PATH, or its path",
                   commandName(request).c_str(), shownName(words[0]).c_str(),
                   words[0].find('/') == std::string::npos ? "not on PATH"
                                                           : "not an executable file");
    }
    prepared.prepared = true;
    return prepared;
}

std::vector<std::string> signingArguments(const SigningRequest& request, const std::string& input,
                                          const std::string& output) {
    std::vector<std::string> arguments = {"sign"};
    if (!request.pkcs12Path.empty()) {
        arguments.insert(arguments.end(), {"-pkcs12", request.pkcs12Path});
    } else if (!request.keyUri.empty()) {
        // Never -pkcs11engine: 2.5 fails with it ("bad engine id"), and finds the engine
        // without it.
        arguments.insert(arguments.end(), {"-pkcs11module", request.pkcs11Module});
        if (!request.certUri.empty())
            arguments.insert(arguments.end(), {"-pkcs11cert", request.certUri});
        else
            arguments.insert(arguments.end(), {"-certs", request.certPath});
        arguments.insert(arguments.end(), {"-key", request.keyUri});
    } else {
        arguments.insert(arguments.end(), {"-certs", request.certPath, "-key", request.keyPath});
    }
    bool secret = !request.passwordFile.empty() || !request.passwordEnv.empty() ||
                  !request.pinFile.empty() || !request.pinEnv.empty();
    if (secret) arguments.insert(arguments.end(), {"-readpass", kSecretFile});
    arguments.insert(arguments.end(), {"-h", "sha256"});
    if (describable(request.description))
        arguments.insert(arguments.end(), {"-n", request.description});
    if (!request.timestampUrl.empty())
        arguments.insert(arguments.end(), {"-ts", request.timestampUrl});
    arguments.insert(arguments.end(), {"-in", input, "-out", output});
    return arguments;
}

void signExecutable(const std::string& unsignedPath, const std::string& signedPath,
                    const SigningRequest& given, const std::string& namedAs) {
    // The file as users will know it: what messages show and what a sign command's copy is
    // named (a service may choose how to sign by the extension).
    const std::string named = namedAs.empty() ? signedPath : namedAs;
    checkSigningRequest(given);
    if (!wantsSignature(given))
        refuseUsage(
            "signing needs a PKCS #12 file, a PEM certificate chain and its key, a key on a "
            "token, or a sign command");
    const SigningRequest request = prepareSigning(given);
    const unsigned timeout = request.timeoutSeconds;
    const Osslsigncode& tool = requireOsslsigncode(timeout);
    const bool command = !request.command.empty();
    if (!command && !request.description.empty() && !describable(request.description))
        notice("note: ",
               "the signature names no program: osslsigncode can write only "
               "ASCII, and \"%s\" is not; Windows' dialogs show the file name instead",
               request.description.c_str());
    struct stat unsignedInfo;
    if (stat(unsignedPath.c_str(), &unsignedInfo) != 0)
        refuse("cannot sign %s: %s", shownName(unsignedPath).c_str(), strerror(errno));

    SigningFolder folder(named);
    SigningRun signing{folder, request, named};
    signing.unsignedSize = static_cast<uint64_t>(unsignedInfo.st_size);
    signing.signerName = command ? commandName(request) : "osslsigncode";
    if (command) {
        runSignCommand(signing, unsignedPath);
    } else {
        signing.signedFile = folder.file("signed");
        ProgramRun run = runOsslsigncode(
            tool, signingArguments(request, unsignedPath, signing.signedFile), request.secret,
            timeout);
        if (!run.succeeded()) refuseSigning(signing, run);
    }

    SignatureDetails details = readWrittenSignature(signing, tool);
    if (*digestOption(details.digest, command) == 0)
        folder.refuse(command ? "%s signed with %s; sign with SHA-256 (or SHA-384, SHA-512)"
                              : "%s signed with %s, not SHA-256; sign with another osslsigncode",
                      signing.signerName.c_str(), details.digest.c_str());
    noteSmallKey(details);
    writeVerificationRoots(folder, details);
    std::vector<std::string> verify = {"verify",
                                       "-in",
                                       signing.signedFile,
                                       "-CAfile",
                                       folder.file("roots.pem"),
                                       "-TSA-CAfile",
                                       folder.file("roots.pem")};
    if (tool.canIgnoreCrl()) verify.push_back("-ignore-crl");
    ProgramRun run = runOsslsigncode(tool, verify, "", timeout);
    if (run.timedOut)
        folder.refuse(
            "osslsigncode did not finish verifying %s within %u s; allow longer with "
            "--sign-timeout",
            shownName(named).c_str(), timeout);
    if (!run.succeeded())
        signing.refuseUnlessFull(
            shownName(named) + " does not verify once signed (" + verifyProblem(run.output) +
            "); " +
            (command ? "the signature must carry its certificate chain up to a root"
                     : "give the whole certificate chain up to its root") +
            ", with a certificate meant for code signing and valid today");
    // osslsigncode verify accepts a signature whose timestamp does not verify, saying so only
    // in a line of its output (2.5 and 2.9 alike).
    if (details.timestamped &&
        run.output.find("Timestamp Server Signature verification: ok") == std::string::npos)
        folder.refuse(
            "the timestamp in %s does not verify (%s); %s",
            shownName(named).c_str(), verifyProblem(run.output).c_str(),
            command ? "have the sign command use another timestamp server"
                    : "give another --timestamp-url, one whose certificate is meant for "
                      "time-stamping and valid today");
    if (command) checkSignedContents(signing, tool, unsignedPath, details);

    stopIfInterrupted();
    if (chmod(signing.signedFile.c_str(), unsignedInfo.st_mode & 0777) != 0 ||
        rename(signing.signedFile.c_str(), signedPath.c_str()) != 0)
        folder.refuse("cannot write %s: %s", shownName(named).c_str(),
                      describeError(errno, signedPath).c_str());
    folder.remove();
}

}  // namespace trellane
