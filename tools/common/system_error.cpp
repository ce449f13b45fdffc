#include "common/system_error.h"

#include "common/shown_text.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace trellane {

namespace {

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string mountPointOf(const std::string& path) {
    std::string existing = path.empty() ? "." : path;
    char resolved[PATH_MAX];
    while (realpath(existing.c_str(), resolved) == nullptr && existing != "/" && existing != ".")
        existing = parentOf(existing);
    std::string mount = realpath(existing.c_str(), resolved) != nullptr ? resolved : "/";
    struct stat info, above;
    if (stat(mount.c_str(), &info) != 0) return mount;
    while (mount != "/") {
        std::string parent = parentOf(mount);
        if (stat(parent.c_str(), &above) != 0 || above.st_dev != info.st_dev) break;
        mount = parent;
    }
    return mount;
}

std::string describeError(int error, const std::string& path) {
    if (error == ENOSPC)
        return "the disk is full (no space left on the file system mounted at " +
               shownName(mountPointOf(path)) + "); free some space there or write to another disk";
    if (error == EDQUOT)
        return "your disk quota is used up (on the file system mounted at " +
               shownName(mountPointOf(path)) + "); free some space there or write to another disk";
    return std::strerror(error);
}

}  // namespace trellane
