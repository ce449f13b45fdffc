#include "package/installers/linux_package_tree.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/text_split.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

// The first bytes of a file that is not followed through a link; fewer when it is shorter.
size_t readMagic(const std::string& path, char* magic, size_t size, int flags) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) return 0;
    ssize_t got = read(fd, magic, size);
    close(fd);
    return got < 0 ? 0 : static_cast<size_t>(got);
}

bool hasElfMagic(const char* magic, size_t got) {
    return got == 4 && std::memcmp(magic,
                                   "\x7f"
                                   "ELF",
                                   4) == 0;
}

// Whether a file is one the system can run: a program or library, or a script.
bool isRunnable(const std::string& path) {
    char magic[4] = {};
    size_t got = readMagic(path, magic, 4, O_NOFOLLOW);
    return hasElfMagic(magic, got) || (got >= 2 && magic[0] == '#' && magic[1] == '!');
}

}  // namespace

std::string requirePackagingProgram(const char* type, const char* name, const char* package) {
    std::string path = findProgram(name);
    if (path.empty())
        refuse(
            "--type %s runs %s, which is not installed: install Debian's %s package "
            "(apt-get install %s)",
            type, name, package, package);
    return path;
}

void makeTreeFolders(const std::string& root, const std::string& relative) {
    std::string path = root;
    for (const std::string& part : splitWords(relative, "/")) {
        path += "/" + part;
        struct stat info;
        if (stat(path.c_str(), &info) != 0) makeFolder(path);
    }
}

void writeTreeFile(const std::string& root, const std::string& relative, const std::string& text) {
    size_t slash = relative.rfind('/');
    if (slash != std::string::npos) makeTreeFolders(root, relative.substr(0, slash));
    writeNewFile(root + "/" + relative, text);
}

void moveImageIntoTree(const std::string& image, const std::string& root,
                       const std::string& imagePath) {
    makeTreeFolders(root, imagePath.substr(0, imagePath.rfind('/')));
    if (rename(image.c_str(), (root + imagePath).c_str()) != 0)
        refuse("cannot move the image into the package's tree: %s", std::strerror(errno));
}

std::string licenseText(const std::string& licenseFile) {
    std::string text, problem;
    if (!licenseFile.empty() && !readWholeFile(licenseFile, kMaxDocumentSize, text, problem))
        refuse("cannot read --license-file %s: %s", licenseFile.c_str(), problem.c_str());
    return text;
}

bool isElfFileAt(const std::string& path) {
    char magic[4] = {};
    return hasElfMagic(magic, readMagic(path, magic, 4, 0));
}

uint64_t settlePermissions(const std::string& root, bool executableLibraries) {
    uint64_t kib = 0;
    for (const TreeEntry& entry : listTree(root)) {
        std::string path = root + "/" + entry.relative;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            refuse("cannot read %s: %s", path.c_str(), std::strerror(errno));
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
            kib += 1;
            continue;
        }
        bool runnable = S_ISDIR(info.st_mode) || ((info.st_mode & 0111) && isRunnable(path)) ||
                        (executableLibraries && entry.relative.find(".so") != std::string::npos &&
                         isElfFileAt(path));
        if (chmod(path.c_str(), runnable ? 0755 : 0644) != 0)
            refuse("cannot set the permissions of %s: %s", path.c_str(), std::strerror(errno));
        kib += S_ISREG(info.st_mode) ? (static_cast<uint64_t>(info.st_size) + 1023) / 1024 : 1;
    }
    return kib;
}

int64_t packagingTime() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && seconds >= 0) return seconds;
    }
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace trellane
