#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/refusal.h"
#include "common/shown_text.h"

namespace trellane {

namespace {

bool fail(int fd, std::string& problem, const std::string& why) {
    if (fd >= 0) close(fd);
    problem = why;
    return false;
}

std::string tooLarge(size_t maxBytes) {
    if (maxBytes % (1024 * 1024) == 0)
        return "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    if (maxBytes % 1024 == 0) return "larger than " + std::to_string(maxBytes / 1024) + " KiB";
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

// The file open for reading when it is a regular file of at most maxBytes; -1 with the problem
// otherwise.
int openRegularFile(const std::string& path, size_t maxBytes, std::string& problem) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info;
    std::string why;
    if (fd < 0 || fstat(fd, &info) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    else if (static_cast<unsigned long long>(info.st_size) > maxBytes)
        why = tooLarge(maxBytes);
    else
        return fd;
    fail(fd, problem, why);
    return -1;
}

}  // namespace

bool readRegularFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem) {
    int fd = openRegularFile(path, maxBytes, problem);
    if (fd < 0) return false;
    text.clear();
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return fail(fd, problem, std::strerror(errno));
        if (got == 0) break;
        text.append(chunk, static_cast<size_t>(got));
        // The file may grow while it is read.
        if (text.size() > maxBytes) return fail(fd, problem, tooLarge(maxBytes));
    }
    close(fd);
    return true;
}

bool checkRegularFile(const std::string& path, size_t maxBytes, std::string& problem) {
    int fd = openRegularFile(path, maxBytes, problem);
    if (fd < 0) return false;
    close(fd);
    return true;
}

std::string readRegularFileOrRefuse(const std::string& path, size_t maxBytes,
                                    const std::string& what, const std::string& advice) {
    std::string text, problem;
    if (!readRegularFile(path, maxBytes, text, problem))
        refuse("cannot read %s %s: %s; %s", what.c_str(), shownName(path).c_str(), problem.c_str(),
               advice.c_str());
    return text;
}

}  // namespace trellane
