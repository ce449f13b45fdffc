#include "options/home_expansion.h"

namespace trellane {

namespace {

// One pass over option for pattern (a lead byte, then "~/"): every occurrence gets the home
// value and a directory separator in place of its "~/". Builds a new text so that thousands of
// list entries cost one copy, not one shift of the rest per entry. Resuming the search behind
// the pattern in the old text is the same as resuming at the inserted value's last byte in
// the new one: that byte and the separator behind it cannot begin an occurrence.
void expandPattern(std::string& option, const char* pattern, const PathConventions& conventions,
                   EnvLookup getEnv) {
    size_t at = option.find(pattern);
    if (at == std::string::npos) return;
    std::string result;
    result.reserve(option.size());
    size_t copied = 0;
    for (; at != std::string::npos; at = option.find(pattern, at + 3)) {
        // Read at every use: nothing is cached between occurrences or options.
        const char* home = getEnv(conventions.homeVariable);
        if (home == nullptr || *home == 0) continue;  // left as written
        result.append(option, copied, at + 1 - copied);
        result += home;
        result += conventions.dirSeparator;
        copied = at + 3;
    }
    if (copied == 0) return;
    result.append(option, copied, std::string::npos);
    option.swap(result);
}

}  // namespace

void expandUserHome(std::string& option, const PathConventions& conventions, EnvLookup getEnv) {
    const char valuePattern[] = {'=', '~', '/', 0};
    const char listPattern[] = {conventions.listSeparator, '~', '/', 0};
    expandPattern(option, valuePattern, conventions, getEnv);
    expandPattern(option, listPattern, conventions, getEnv);

    // A leading shorthand takes the home value even when it is empty, as a shell would.
    if (option.size() >= 2 && option[0] == '~' && option[1] == '/') {
        const char* home = getEnv(conventions.homeVariable);
        if (home == nullptr) return;
        std::string result = home;
        result += conventions.dirSeparator;
        result.append(option, 2, std::string::npos);
        option.swap(result);
    }
}

}  // namespace trellane
