// The operating system as the option expansions see it, played from a script that a fuzz
// input sets: the home variable, the system directory (which may change between two queries,
// as the real one can) and the listings that file searches deliver, one per search in order.
// Records what was asked, so a target can check how the expansions used it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "options/option_primitives.h"

namespace trellane::fuzz {

struct Listing {
    bool starts = true;  // false: the search cannot start (FindFirstFileA fails)
    std::vector<FoundFile> files;
};

struct Script {
    const char* homeVariable = "HOME";
    bool homeSet = false;
    std::string home;
    std::vector<std::string> systemDirectories;  // one per query, the last one repeated
    std::vector<Listing> listings;               // one per search, then none that start
};

struct Record {
    size_t systemQueries = 0;
    std::string systemDirectoryWritten;  // by the last query that fit its buffer
    std::vector<std::string> searchPatterns;
    size_t nextListing = 0;
    int openSearches = 0;
};

inline Script script;
inline Record record;

inline void startRun() {
    record = Record{};
}

inline std::string withoutNul(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

inline const PathConventions kConventions[] = {{'\\', ';', "USERPROFILE"}, {'/', ':', "HOME"}};

// The script from the input: Windows' or Linux' conventions (returned), the home variable's
// state and value, up to three system directories (never empty: that query failure ends the
// launch, the unit tests' part), and up to seven listings of up to seven names each.
inline const PathConventions& readScript(FuzzInput& input) {
    const PathConventions& conventions = kConventions[input.byte() & 1];
    script = Script{};
    script.homeVariable = conventions.homeVariable;
    script.homeSet = (input.byte() & 1) != 0;
    script.home = withoutNul(input.text());
    for (size_t count = 1 + input.byte() % 3; count > 0; --count) {
        std::string directory = withoutNul(input.longText());
        if (directory.empty()) directory = "C:\\Windows\\system32";
        script.systemDirectories.push_back(directory);
    }
    for (size_t count = input.byte() % 8; count > 0; --count) {
        Listing listing;
        for (size_t files = input.byte() % 8; files > 0; --files) {
            const uint32_t attributes = (input.byte() & 1) != 0 ? kFileAttributeDirectory : 0x20;
            listing.files.push_back({attributes, withoutNul(input.text())});
        }
        listing.starts = !listing.files.empty();
        script.listings.push_back(std::move(listing));
    }
    return conventions;
}

inline uint32_t scriptedSystemDirectory(char* buffer, uint32_t size) {
    const std::vector<std::string>& directories = script.systemDirectories;
    size_t query = record.systemQueries++;
    const std::string& directory = directories[std::min(query, directories.size() - 1)];
    const uint32_t length = static_cast<uint32_t>(directory.size());
    if (length >= size) return length + 1;
    std::memcpy(buffer, directory.c_str(), length + 1);
    record.systemDirectoryWritten = directory;
    return length;
}

inline const char* scriptedGetEnv(const char* name) {
    FUZZ_CHECK(std::strcmp(name, script.homeVariable) == 0);
    return script.homeSet ? script.home.c_str() : nullptr;
}

struct ScriptedSearch {
    const Listing* listing;
    size_t next;
};

inline void* scriptedFindFirst(const char* pattern, FoundFile* found) {
    record.searchPatterns.push_back(pattern);
    size_t index = record.nextListing++;
    if (index >= script.listings.size() || !script.listings[index].starts) return nullptr;
    const Listing& listing = script.listings[index];
    FUZZ_CHECK(!listing.files.empty());
    *found = listing.files[0];
    ++record.openSearches;
    return new ScriptedSearch{&listing, 1};
}

inline bool scriptedFindNext(void* handle, FoundFile* found) {
    auto* search = static_cast<ScriptedSearch*>(handle);
    if (search->next == search->listing->files.size()) return false;
    *found = search->listing->files[search->next++];
    return true;
}

inline void scriptedFindClose(void* handle) {
    --record.openSearches;
    delete static_cast<ScriptedSearch*>(handle);
}

inline const OptionPrimitives kScriptedPrimitives{scriptedSystemDirectory, scriptedGetEnv,
                                                  scriptedFindFirst, scriptedFindNext,
                                                  scriptedFindClose};

}  // namespace trellane::fuzz
