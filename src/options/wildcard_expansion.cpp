#include "options/wildcard_expansion.h"

#include <cstring>

namespace trellane {

namespace {

// In priority order: the first key that occurs anywhere wins, at its first occurrence.
constexpr const char* kClassPathKeys[] = {"-Djava.class.path=", "-cp ", "-classpath "};

constexpr char kJarWildcard[] = "*.jar";
constexpr size_t kJarWildcardLength = sizeof(kJarWildcard) - 1;

bool isWildcardEntry(const std::string& entry) {
    if (entry.size() > kJarWildcardLength &&
        entry.compare(entry.size() - kJarWildcardLength, kJarWildcardLength, kJarWildcard) == 0)
        return true;
    return !entry.empty() && entry.back() == '*';
}

// What every found name is put behind: the entry up to its last directory separator ('/'
// everywhere, and the platform's own), or "./" for an entry in the current directory.
std::string directoryPrefixOf(const std::string& entry, char dirSeparator) {
    const char separators[] = {'/', dirSeparator, 0};
    size_t last = entry.find_last_of(separators);
    if (last == std::string::npos) return "./";
    return entry.substr(0, last + 1);
}

// Appends the files that entry matches to result, or entry itself when the search cannot
// start or finds only directories. The platform decides which names match and their order.
void appendEntryContribution(std::string& result, const std::string& entry,
                             const PathConventions& conventions,
                             const OptionPrimitives& primitives) {
    if (!isWildcardEntry(entry)) {
        result += entry;
        return;
    }
    FoundFile found;
    void* search = primitives.findFirstFile(entry.c_str(), &found);
    if (search == nullptr) {
        result += entry;
        return;
    }
    const std::string prefix = directoryPrefixOf(entry, conventions.dirSeparator);
    const size_t start = result.size();
    bool anyFile = false;
    do {
        if (found.attributes & kFileAttributeDirectory) continue;
        if (anyFile) result += conventions.listSeparator;
        result += prefix;
        result += found.name;
        anyFile = true;
    } while (primitives.findNextFile(search, &found));
    primitives.findClose(search);
    if (!anyFile) {
        result.resize(start);
        result += entry;
    }
}

}  // namespace

void expandClassPathWildcards(std::string& option, const PathConventions& conventions,
                              const OptionPrimitives& primitives) {
    size_t key = std::string::npos;
    size_t keyLength = 0;
    for (const char* candidate : kClassPathKeys) {
        key = option.find(candidate);
        keyLength = std::strlen(candidate);
        if (key != std::string::npos) break;
    }
    if (key == std::string::npos) return;

    // Built anew: a directory of thousands of jars costs one pass, not a shift per name.
    const size_t listStart = key + keyLength;
    std::string result(option, 0, listStart);
    bool resultListEmpty = true;
    size_t i = listStart;
    while (i < option.size()) {
        size_t end = option.find(conventions.listSeparator, i);
        if (end == std::string::npos) end = option.size();
        const std::string entry(option, i, end - i);
        if (!resultListEmpty) result += conventions.listSeparator;
        appendEntryContribution(result, entry, conventions, primitives);
        resultListEmpty = result.size() == listStart;
        i = end + 1;
    }
    option.swap(result);
}

}  // namespace trellane
