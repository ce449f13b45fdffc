#include "brand/sign_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include "common/child_process.h"
#include "common/jpackage_values.h"

namespace trellane {

namespace {

const char kPlaceholder[] = "{}";

}  // namespace

bool parseSignCommand(const std::string& text, std::vector<std::string>& words,
                      std::string& problem) {
    words.clear();
    if (!splitJpackageValue(text, words, problem)) return false;
    if (words.empty() || words.front().empty()) {
        problem = "names no program to run";
        return false;
    }
    for (const std::string& word : words)
        if (word.find(kPlaceholder) != std::string::npos) return true;
    problem =
        "has no {} where the path of the file to sign goes (for example 'my-signer --in "
        "{}')";
    return false;
}

std::vector<std::string> signCommandArguments(const std::vector<std::string>& words,
                                              const std::string& path) {
    std::vector<std::string> arguments;
    for (std::string word : words) {
        for (size_t at = word.find(kPlaceholder); at != std::string::npos;
             at = word.find(kPlaceholder, at + path.size()))
            word.replace(at, sizeof kPlaceholder - 1, path);
        arguments.push_back(word);
    }
    return arguments;
}

std::string signCommandProgram(const std::string& word) {
    if (word.find('/') == std::string::npos) return findProgram(word);
    struct stat info;
    if (stat(word.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(word.c_str(), X_OK) != 0)
        return "";
    return word;
}

}  // namespace trellane
