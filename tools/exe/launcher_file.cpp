#include "exe/launcher_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/refusal.h"

namespace trellane {

LauncherFile readLauncherFile(const std::string& path) {
    LauncherFile file;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0)
        refuse("cannot read %s: %s", path.c_str(), strerror(errno));
    if (!S_ISREG(info.st_mode)) refuse("cannot read %s: not a regular file", path.c_str());
    file.permissions = info.st_mode & 0777;
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) refuse("cannot read %s: %s", path.c_str(), strerror(errno));
        if (got == 0) break;
        file.bytes.append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    return file;
}

namespace {

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

void writeLauncherFile(const std::string& path, const LauncherFile& file) {
    std::string temporary = path + ".stamping-XXXXXX";
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) refuse("cannot write %s: %s", path.c_str(), strerror(errno));
    bool written = writeAll(fd, file.bytes) && fchmod(fd, file.permissions) == 0 && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        refuse("cannot write %s: %s", path.c_str(), strerror(error));
    }
}

}  // namespace trellane
