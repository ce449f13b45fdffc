#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace trellane {

namespace {

bool fail(int fd, std::string& problem, const std::string& why) {
    if (fd >= 0) close(fd);
    problem = why;
    return false;
}

std::string tooLarge(size_t maxBytes) {
    if (maxBytes % 1024 != 0) return "larger than " + std::to_string(maxBytes) + " bytes";
    return "larger than " + std::to_string(maxBytes / 1024) + " KiB";
}

}  // namespace

bool readRegularFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) return fail(fd, problem, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return fail(fd, problem, "not a regular file");
    if (static_cast<unsigned long long>(info.st_size) > maxBytes)
        return fail(fd, problem, tooLarge(maxBytes));
    text.clear();
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return fail(fd, problem, std::strerror(errno));
        if (got == 0) break;
        text.append(chunk, static_cast<size_t>(got));
        if (text.size() > maxBytes) return fail(fd, problem, tooLarge(maxBytes));
    }
    close(fd);
    return true;
}

}  // namespace trellane
