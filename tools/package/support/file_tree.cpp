#include "package/support/file_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "common/interruption.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/shown_text.h"
#include "common/system_error.h"
#include "common/temporary_path.h"

namespace trellane {

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool readWholeFile(const std::string& path, size_t maxBytes, std::string& text,
                   std::string& problem) {
    return readRegularFile(path, maxBytes, text, problem);
}

void writeNewFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = errno;
    if (file != nullptr && std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written)
        refuse("cannot write %s: %s", shownName(path).c_str(), describeError(error, path).c_str());
}

namespace {

using Identity = std::pair<dev_t, ino_t>;

struct TreeWalk {
    std::string root;
    std::string realRoot;  // root with its links resolved, when outside links are looked for
    std::vector<TreeEntry> entries;
    std::vector<Identity> open;  // the folders from the root down to the one being read
    std::vector<OutsideLink>* outside = nullptr;

    // A link's own target is copied as a real file or folder: a link to /etc/passwd would
    // put the build machine's file into the image, so the user hears of each one.
    void noteOutsideLink(const std::string& relative, const std::string& path) {
        struct stat link;
        if (outside == nullptr || lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return;
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr) return;
        std::string target = resolved;
        std::free(resolved);
        if (target != realRoot && target.compare(0, realRoot.size() + 1, realRoot + "/") != 0)
            outside->push_back(OutsideLink{relative, target});
    }

    void readFolder(const std::string& relative) {
        std::string path = relative.empty() ? root : root + "/" + relative;
        DIR* folder = opendir(path.c_str());
        if (folder == nullptr)
            refuse("cannot read the folder %s: %s", shownName(path).c_str(), std::strerror(errno));
        std::vector<std::string> names;
        while (struct dirent* entry = readdir(folder)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(folder);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            visit(relative.empty() ? name : relative + "/" + name);
    }

    void visit(const std::string& relative) {
        std::string path = root + "/" + relative;
        struct stat info;
        if (stat(path.c_str(), &info) != 0) {
            struct stat link;
            if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
                refuse(
                    "%s is a symbolic link to nothing (%s): remove it or make it point to a "
                    "file",
                    shownName(path).c_str(), std::strerror(errno));
            refuse("cannot read %s: %s", shownName(path).c_str(), std::strerror(errno));
        }
        noteOutsideLink(relative, path);
        if (S_ISREG(info.st_mode)) {
            entries.push_back(TreeEntry{relative, false});
        } else if (S_ISDIR(info.st_mode)) {
            Identity identity{info.st_dev, info.st_ino};
            if (std::find(open.begin(), open.end(), identity) != open.end())
                refuse(
                    "%s is a symbolic link to a folder that holds it: the copy would never "
                    "end; remove the link",
                    shownName(path).c_str());
            entries.push_back(TreeEntry{relative, true});
            open.push_back(identity);
            readFolder(relative);
            open.pop_back();
        } else {
            refuse("%s is neither a file nor a folder (a device, socket or pipe): remove it",
                   shownName(path).c_str());
        }
    }
};

}  // namespace

std::vector<TreeEntry> listTree(const std::string& root, std::vector<OutsideLink>* outside) {
    TreeWalk walk;
    walk.root = root;
    walk.outside = outside;
    if (outside != nullptr) {
        char* resolved = realpath(root.c_str(), nullptr);
        walk.realRoot = resolved != nullptr ? resolved : root;
        std::free(resolved);
    }
    struct stat info;
    if (stat(root.c_str(), &info) != 0)
        refuse("cannot read the folder %s: %s", shownName(root).c_str(), std::strerror(errno));
    walk.open.push_back(Identity{info.st_dev, info.st_ino});
    walk.readFolder("");
    return std::move(walk.entries);
}

void makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        refuse("cannot make the folder %s: %s", shownName(path).c_str(),
               describeError(errno, path).c_str());
}

namespace {

// Copies the open file from_fd to to_fd; false with errno set.
bool copyContents(int from, int to) {
    char buffer[65536];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return false;
            done += put;
        }
    }
}

}  // namespace

void copyFile(const std::string& from, const std::string& to) {
    stopIfInterrupted();
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0)
        refuse("cannot copy %s to %s: %s", shownName(from).c_str(), shownName(to).c_str(),
               std::strerror(errno));
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool copied = out >= 0 && copyContents(in, out) && fchmod(out, info.st_mode & 07777) == 0;
    int error = errno;
    if (out >= 0 && close(out) != 0 && copied) {
        copied = false;
        error = errno;
    }
    close(in);
    if (!copied)
        refuse("cannot copy %s to %s: %s", shownName(from).c_str(), shownName(to).c_str(),
               describeError(error, to).c_str());
}

void copyTree(const std::string& from, const std::string& to) {
    for (const TreeEntry& entry : listTree(from)) {
        std::string target = to + "/" + entry.relative;
        if (entry.folder)
            makeFolder(target);
        else
            copyFile(from + "/" + entry.relative, target);
    }
}

bool removeTree(const std::string& path) {
    return removeWholePath(path);
}

uint64_t treeSize(const std::string& root) {
    uint64_t bytes = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error)) bytes += it->file_size(error);
    }
    return bytes;
}

std::string describeSize(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace trellane
