// The option expansions as docs/launcher.md and the comments state them, written for plainness
// rather than speed: edit in place, search again from a position. The fuzz targets hold the
// launcher's versions, which build new text in one pass, to these.
#pragma once

#include <string>
#include <vector>

#include "options/option_primitives.h"

namespace trellane::fuzz {

// Every "&&" becomes appDir, left to right; inserted text is not searched again.
inline std::string referenceAppDir(std::string option, const std::string& appDir) {
    for (size_t at = option.find("&&"); at != std::string::npos;
         at = option.find("&&", at + appDir.size())) {
        option.replace(at, 2, appDir);
    }
    return option;
}

// The first "<windows-system-path>" becomes the system directory.
inline std::string referenceSystemPath(std::string option, const std::string& directory) {
    const std::string placeholder = "<windows-system-path>";
    size_t at = option.find(placeholder);
    if (at != std::string::npos) option.replace(at, placeholder.size(), directory);
    return option;
}

// "=~/", then the list separator and "~/": each occurrence's "~/" becomes home and a directory
// separator when home is set and not empty; then a leading "~/" becomes them when home is
// set, even empty. home is null when the variable is unset.
inline std::string referenceHome(std::string option, const PathConventions& conventions,
                                 const char* home) {
    const std::string homeAndSeparator =
        home == nullptr ? std::string() : std::string(home) + conventions.dirSeparator;
    const std::string listPattern = conventions.listSeparator + std::string("~/");
    for (const std::string& pattern : {std::string("=~/"), listPattern}) {
        size_t from = 0;
        for (size_t at; (at = option.find(pattern, from)) != std::string::npos;) {
            if (home == nullptr || *home == 0) {
                from = at + 3;
                continue;
            }
            option.replace(at + 1, 2, homeAndSeparator);
            // On at home's last byte: the separator behind it lets no pattern start there.
            from = at + homeAndSeparator.size() - 1;
        }
    }
    if (option.compare(0, 2, "~/") == 0 && home != nullptr) option.replace(0, 2, homeAndSeparator);
    return option;
}

inline bool isWildcardEntry(const std::string& entry) {
    const std::string jar = "*.jar";
    if (entry.size() > jar.size() && entry.substr(entry.size() - jar.size()) == jar) return true;
    return !entry.empty() && entry.back() == '*';
}

// The class path behind the first key found (-Djava.class.path=, else -cp , else -classpath ):
// split at the list separator, each entry ending in "*" or "<name>*.jar" replaced by the files
// its search lists (not the directories), each behind the entry's directory part, or kept
// when there are none; a trailing separator is dropped, and so are empty entries before the
// first non-empty contribution.
inline std::string referenceWildcards(const std::string& option, const PathConventions& conventions,
                                      const OptionPrimitives& primitives) {
    size_t listStart = std::string::npos;
    for (const std::string key : {"-Djava.class.path=", "-cp ", "-classpath "}) {
        if (option.find(key) == std::string::npos) continue;
        listStart = option.find(key) + key.size();
        break;
    }
    if (listStart == std::string::npos) return option;

    std::vector<std::string> entries;
    const std::string list = option.substr(listStart);
    for (size_t from = 0; from < list.size();) {
        size_t end = list.find(conventions.listSeparator, from);
        if (end == std::string::npos) end = list.size();
        entries.push_back(list.substr(from, end - from));
        from = end + 1;
    }

    std::string result;
    for (const std::string& entry : entries) {
        std::vector<std::string> files;
        FoundFile found;
        void* search =
            isWildcardEntry(entry) ? primitives.findFirstFile(entry.c_str(), &found) : nullptr;
        if (search != nullptr) {
            const size_t slash = entry.find_last_of(std::string("/") + conventions.dirSeparator);
            const std::string folder =
                slash == std::string::npos ? "./" : entry.substr(0, slash + 1);
            do {
                if ((found.attributes & kFileAttributeDirectory) == 0)
                    files.push_back(folder + found.name);
            } while (primitives.findNextFile(search, &found));
            primitives.findClose(search);
        }
        if (files.empty()) files.push_back(entry);
        for (size_t i = 0; i < files.size(); ++i) {
            if (!result.empty() || i > 0) result += conventions.listSeparator;
            result += files[i];
        }
    }
    return option.substr(0, listStart) + result;
}

}  // namespace trellane::fuzz
