// The option expansions' view of Linux, with the Windows calls' contracts.
//
// The system directory is the directory the C library was loaded from: the running system's
// own shared-library directory (/lib/x86_64-linux-gnu on Debian x86-64), which is what a
// library search path ending in the system directory means on Windows.
//
// The directory search takes a pattern whose last component is a wildcard ('*' any run of
// characters, '?' exactly one) and whose directory part is a literal directory. Names come in
// directory order, hidden files included, "." and ".." reported as directories. Unlike the
// Windows search, matching is case-sensitive and sees long names only.
#include <dirent.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

// The directory that holds the loaded libc.so.*, or "" when no such object is loaded.
int findLibcDirectory(struct dl_phdr_info* info, size_t, void* data) {
    const char* path = info->dlpi_name;
    const char* slash = path != nullptr ? std::strrchr(path, '/') : nullptr;
    if (slash == nullptr || std::strncmp(slash + 1, "libc.so", 7) != 0) return 0;
    static_cast<std::string*>(data)->assign(path, slash == path ? 1 : slash - path);
    return 1;
}

uint32_t getSystemDirectory(char* buffer, uint32_t size) {
    std::string directory;
    dl_iterate_phdr(findLibcDirectory, &directory);
    if (directory.empty()) directory = "/usr/lib";  // a static or unusual libc: the classic place
    const uint32_t length = static_cast<uint32_t>(directory.size());
    if (length >= size) return length + 1;
    std::memcpy(buffer, directory.c_str(), length + 1);
    return length;
}

const char* getEnv(const char* name) {
    return std::getenv(name);
}

// Does name match glob, where '*' stands for any run of characters and '?' for one character
// (a UTF-8 sequence counts as one)? Greedy with one backtrack point: linear for the usual
// one-star patterns, never worse than the product of the two lengths.
bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

bool matchesGlob(const char* glob, const char* name) {
    const char* starGlob = nullptr;
    const char* starName = nullptr;
    while (*name != 0) {
        if (*glob == '*') {
            starGlob = ++glob;
            starName = name;
        } else if (*glob == '?') {
            ++glob;
            ++name;
            while (isContinuationByte(*name)) ++name;
        } else if (*glob != 0 && *glob == *name) {
            ++glob;
            ++name;
        } else if (starGlob != nullptr) {
            glob = starGlob;
            do ++starName;
            while (isContinuationByte(*starName));
            name = starName;
        } else {
            return false;
        }
    }
    while (*glob == '*') ++glob;
    return *glob == 0;
}

struct DirectorySearch {
    DIR* directory;
    std::string glob;
};

bool isDirectory(DIR* directory, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) return false;
    // Unknown to the file system, or a link: what it leads to counts, as for Windows' links.
    struct stat status;
    return fstatat(dirfd(directory), entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

bool readNextMatch(DirectorySearch* search, FoundFile* found) {
    while (const dirent* entry = readdir(search->directory)) {
        if (!matchesGlob(search->glob.c_str(), entry->d_name)) continue;
        found->attributes = isDirectory(search->directory, entry) ? kFileAttributeDirectory : 0;
        found->name = entry->d_name;
        return true;
    }
    return false;
}

void* findFirstFile(const char* pattern, FoundFile* found) {
    const char* slash = std::strrchr(pattern, '/');
    const char* glob = slash != nullptr ? slash + 1 : pattern;
    if (*glob == 0) return nullptr;
    const std::string path = slash == nullptr   ? std::string(".")
                             : slash == pattern ? std::string("/")
                                                : std::string(pattern, slash - pattern);
    DIR* directory = opendir(path.c_str());
    if (directory == nullptr) return nullptr;
    auto* search = new DirectorySearch{directory, glob};
    if (readNextMatch(search, found)) return search;
    closedir(directory);
    delete search;
    return nullptr;
}

bool findNextFile(void* search, FoundFile* found) {
    return readNextMatch(static_cast<DirectorySearch*>(search), found);
}

void findClose(void* search) {
    auto* directorySearch = static_cast<DirectorySearch*>(search);
    closedir(directorySearch->directory);
    delete directorySearch;
}

const OptionPrimitives kPrimitives{getSystemDirectory, getEnv, findFirstFile, findNextFile,
                                   findClose};
const PathConventions kConventions{'/', ':', "HOME"};

}  // namespace

const OptionPrimitives& optionPrimitives() {
    return kPrimitives;
}
const PathConventions& pathConventions() {
    return kConventions;
}

}  // namespace trellane::platform
