#include "package/installers/deb/deb_known_packages.h"

#include <vector>

#include "common/child_process.h"
#include "common/text_split.h"

namespace trellane {

namespace {

// A question to the database is a read of local files; a database that takes longer than
// this (a lock held, a broken cache) goes unasked.
constexpr unsigned kQuestionSeconds = 30;

// The program's standard output, or empty when it is not there or does not answer.
std::string ask(const char* program, std::vector<std::string> arguments) {
    std::string path = findProgram(program);
    if (path.empty()) return "";
    arguments.insert(arguments.begin(), path);
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = kQuestionSeconds;
    // The database's own words ("Candidate:") in every locale.
    options.environment = {"LC_ALL=C"};
    ProgramRun run = runProgram(arguments, options);
    return run.succeeded() ? run.output : "";
}

// dpkg's own record: a package installed (or half-installed) under the name, for any
// architecture; not one removed (with or without its configuration kept).
std::string installed(const std::string& name) {
    std::string listed =
        ask("dpkg-query", {"--show", "--showformat=${db:Status-Abbrev}|${Version}\n", name});
    for (const std::string& line : splitWords(listed, "\n")) {
        std::vector<std::string> fields = splitWords(line, "|");
        if (fields.size() == 2 && fields[0].size() >= 2 && fields[0][1] != 'n' &&
            fields[0][1] != 'c')
            return "installed here (" + name + " " + fields[1] + ")";
    }
    return "";
}

// apt's view of the package sources: a candidate version means apt would install the name.
std::string available(const std::string& name) {
    const std::string key = "Candidate: ";
    for (const std::string& line : splitWords(ask("apt-cache", {"policy", name}), "\n")) {
        size_t at = line.find(key);
        if (at == std::string::npos) continue;
        std::string version = line.substr(at + key.size());
        if (!version.empty() && version != "(none)")
            return "available from this system's package sources (" + name + " " + version + ")";
    }
    return "";
}

}  // namespace

std::string knownPackage(const std::string& name) {
    std::string known = installed(name);
    return known.empty() ? available(name) : known;
}

}  // namespace trellane
