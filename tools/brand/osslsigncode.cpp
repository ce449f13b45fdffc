#include "brand/osslsigncode.h"

#include <cstdlib>
#include <cstring>

#include "common/refusal.h"
#include "common/shown_text.h"

namespace trellane {

namespace {

const OsslsigncodeVersion kOldest = {2, 5};

std::string versionText(const OsslsigncodeVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace

bool parseOsslsigncodeVersion(const std::string& text, OsslsigncodeVersion& version) {
    const char kName[] = "osslsigncode ";
    size_t at = text.find(kName);
    if (at == std::string::npos) return false;
    const char* start = text.c_str() + at + sizeof kName - 1;
    char* end = nullptr;
    long major = std::strtol(start, &end, 10);
    if (end == start || *end != '.' || major < 0 || major > 999) return false;
    start = end + 1;
    long minor = std::strtol(start, &end, 10);
    if (end == start || minor < 0 || minor > 999) return false;
    version = {static_cast<int>(major), static_cast<int>(minor)};
    return true;
}

const Osslsigncode& requireOsslsigncode(unsigned timeoutSeconds) {
    static Osslsigncode checked;
    if (!checked.path.empty()) return checked;
    std::string path = findProgram("osslsigncode");
    if (path.empty())
        refuse("signing needs osslsigncode, which is not installed: apt-get install osslsigncode");
    ProgramOptions options;
    options.timeoutSeconds = timeoutSeconds;
    ProgramRun run = runProgram({path, "--version"}, options);
    OsslsigncodeVersion version;
    if (!parseOsslsigncodeVersion(run.output, version))
        refuse(
            "%s --version does not say which osslsigncode it is (%s); signing needs "
            "osslsigncode 2.5 or later: apt-get install osslsigncode",
            shownName(path).c_str(), describeEnd(run, timeoutSeconds).c_str());
    if (!version.atLeast(kOldest.major, kOldest.minor))
        refuse(
            "%s is osslsigncode %s; signing needs %s or later (Debian 12 has 2.5): "
            "apt-get install osslsigncode on Debian 12 or later, or put a newer one first "
            "on PATH",
            shownName(path).c_str(), versionText(version).c_str(), versionText(kOldest).c_str());
    checked = {path, version};
    return checked;
}

ProgramRun runOsslsigncode(const Osslsigncode& tool, const std::vector<std::string>& arguments,
                           const std::string& secret, unsigned timeoutSeconds) {
    std::vector<std::string> command = {tool.path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramOptions options;
    options.secret = secret;
    options.timeoutSeconds = timeoutSeconds;
    // Without a terminal, the pkcs11 engine cannot stop osslsigncode to ask for a PIN.
    options.noTerminal = true;
    return runProgram(command, options);
}

std::string osslsigncodeMessage(const std::string& output) {
    std::string lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        size_t first = line.find_first_not_of(" \t");
        line = first == std::string::npos ? "" : line.substr(first);
        if (!line.empty() && line != "Failed" && line.find(":error:") == std::string::npos)
            lines += (lines.empty() ? "" : "; ") + line;
        start = end + 1;
    }
    return lines;
}

}  // namespace trellane
