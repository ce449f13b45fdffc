#include "package/runtime/runtime_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "common/regular_file.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

constexpr size_t kEntriesKept = 4;
// An entry in use by another run right now is not evicted from under it.
constexpr time_t kYoungestEvicted = 10 * 60;

std::string cacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else if (home != nullptr && home[0] == '/')
        base = std::string(home) + "/.cache";
    else
        return "";
    std::string folder = base;
    mkdir(folder.c_str(), 0700);  // as a desktop session makes ~/.cache
    for (const char* part : {"/trellane-package", "/runtimes"}) {
        folder += part;
        mkdir(folder.c_str(), 0755);
    }
    return access(folder.c_str(), W_OK) == 0 ? folder : "";
}

void evictOldEntries(const std::string& folder) {
    std::vector<std::pair<time_t, std::string>> entries;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return;
    time_t now = time(nullptr);
    while (struct dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        if (stat((folder + "/" + name).c_str(), &info) != 0) continue;
        if (name[0] == '.') {
            // A copy that an interrupted run left half-made.
            if (now - info.st_mtime > 3600) removeTree(folder + "/" + name);
            continue;
        }
        entries.emplace_back(info.st_mtime, name);
    }
    closedir(listing);
    std::sort(entries.rbegin(), entries.rend());
    for (size_t i = kEntriesKept; i < entries.size(); ++i)
        if (now - entries[i].first > kYoungestEvicted) removeTree(folder + "/" + entries[i].second);
}

}  // namespace

std::string filesIdentity(const std::vector<std::string>& paths) {
    std::string identity;
    auto add = [&identity](const std::string& path) {
        struct stat info;
        identity += path;
        if (stat(path.c_str(), &info) == 0)
            identity += " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtime);
        identity += "\n";
    };
    for (const std::string& path : paths) {
        add(path);
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            for (const TreeEntry& entry : listTree(path))
                if (!entry.folder) add(path + "/" + entry.relative);
    }
    return identity;
}

std::string jdkIdentity(const std::string& home, const std::vector<std::string>& parts) {
    std::string identity = home, release, problem;
    readWholeFile(home + "/release", kMaxTextFileSize, release, problem);
    identity += release;
    for (const std::string& part : parts) {
        struct stat info;
        if (stat((home + part).c_str(), &info) == 0)
            identity += " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtime);
    }
    return identity;
}

std::string runtimeCacheKey(const std::vector<std::string>& inputs) {
    // FNV-1a, 64 bits: a name for the entry, not a guard against anyone.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::string& input : inputs) {
        for (unsigned char c : input + '\0') {
            hash ^= c;
            hash *= 0x100000001b3ULL;
        }
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string findCachedRuntime(const std::string& key) {
    std::string folder = cacheFolder();
    if (folder.empty()) return "";
    std::string entry = folder + "/" + key;
    struct stat info;
    if (stat((entry + "/release").c_str(), &info) != 0) return "";
    utimensat(AT_FDCWD, entry.c_str(), nullptr, 0);
    return entry;
}

void storeCachedRuntime(const std::string& key, const std::string& runtime) {
    std::string folder = cacheFolder();
    if (folder.empty()) return;
    std::string temporary = folder + "/." + key + ".storing-XXXXXX";
    if (mkdtemp(&temporary[0]) == nullptr) return;
    // A copy that fails (a full disk) only means no cache: this run's image is complete.
    std::error_code error;
    std::filesystem::copy(runtime, temporary, std::filesystem::copy_options::recursive, error);
    // Another run may have stored the same runtime meanwhile: then its copy stays.
    if (error || rename(temporary.c_str(), (folder + "/" + key).c_str()) != 0)
        removeTree(temporary);
    evictOldEntries(folder);
}

}  // namespace trellane
