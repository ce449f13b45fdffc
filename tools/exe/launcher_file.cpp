#include "exe/launcher_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/interruption.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/system_error.h"
#include "common/temporary_path.h"

namespace trellane {

namespace {

// As many links in a row as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinksFollowed = 40;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

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

LauncherFile readLauncherFile(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0)
        refuse("cannot read %s: %s", shownName(path).c_str(), strerror(errno));
    if (!S_ISREG(info.st_mode))
        refuse("cannot read %s: not a regular file", shownName(path).c_str());
    if (static_cast<unsigned long long>(info.st_size) > kMaxLauncherFileSize)
        refuse("%s is %lld bytes, more than any launcher (%zu MiB at most): give a launcher",
               shownName(path).c_str(), static_cast<long long>(info.st_size),
               kMaxLauncherFileSize >> 20);

    LauncherFile file;
    file.permissions = info.st_mode & 0777;
    file.bytes.reserve(static_cast<size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) refuse("cannot read %s: %s", shownName(path).c_str(), strerror(errno));
        if (got == 0) break;
        file.bytes.append(chunk, static_cast<size_t>(got));
        if (file.bytes.size() > kMaxLauncherFileSize)
            refuse("cannot read %s: it grew past %zu MiB while being read", shownName(path).c_str(),
                   kMaxLauncherFileSize >> 20);
    }
    close(fd);
    return file;
}

std::string outputDestination(const std::string& output) {
    std::string current = output;
    for (int followed = 0;; ++followed) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0) return current;
        if (S_ISREG(info.st_mode)) return current;
        if (!S_ISLNK(info.st_mode))
            refuse("cannot write %s: not a regular file; give the stamped file's name",
                   shownName(output).c_str());
        if (followed == kMaxLinksFollowed)
            refuse("cannot write %s: more than %d symbolic links in a row; give the file itself",
                   shownName(output).c_str(), kMaxLinksFollowed);
        char target[PATH_MAX];
        ssize_t length = readlink(current.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof target)
            refuse("cannot write %s: cannot read the symbolic link %s", shownName(output).c_str(),
                   shownName(current).c_str());
        std::string next(target, static_cast<size_t>(length));
        current = next[0] == '/' ? next : folderOf(current) + next;
    }
}

std::string writeTemporaryCopy(const std::string& destination, const LauncherFile& file,
                               const std::string& output) {
    std::string temporary = temporaryTemplateBeside(destination);
    int fd = createTemporaryFile(temporary);
    if (fd < 0)
        refuse("cannot write %s: %s", shownName(output).c_str(),
               describeError(errno, destination).c_str());
    bool written = writeAll(fd, file.bytes) && fchmod(fd, file.permissions) == 0 && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written)
        refuse("cannot write %s: %s", shownName(output).c_str(),
               describeError(error, destination).c_str());
    return temporary;
}

void writeLauncherFile(const std::string& path, const LauncherFile& file) {
    const std::string destination = outputDestination(path);
    const std::string temporary = writeTemporaryCopy(destination, file, path);
    // A signal that came while the copy was written ends the command here, before the output
    // is replaced.
    stopIfInterrupted();
    if (!moveTemporaryPath(temporary, destination))
        refuse("cannot write %s: %s", shownName(path).c_str(),
               describeError(errno, destination).c_str());
}

}  // namespace trellane
