#include "brand/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/refusal.h"

extern char** environ;

namespace trellane {

namespace {

// Feeds input and collects output at once, so neither side waits on a full pipe.
std::string exchange(int inputFd, int outputFd, const std::string& input) {
    std::string output;
    size_t written = 0;
    if (input.empty()) close(inputFd), inputFd = -1;
    while (outputFd >= 0) {
        pollfd fds[2] = {{outputFd, POLLIN, 0}, {inputFd, POLLOUT, 0}};
        if (poll(fds, inputFd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (inputFd >= 0 && fds[1].revents != 0) {
            ssize_t put = write(inputFd, input.data() + written, input.size() - written);
            if (put > 0) written += static_cast<size_t>(put);
            if (put < 0 || written == input.size()) close(inputFd), inputFd = -1;
        }
        if (fds[0].revents != 0) {
            char chunk[4096];
            ssize_t got = read(outputFd, chunk, sizeof chunk);
            if (got > 0)
                output.append(chunk, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR)
                close(outputFd), outputFd = -1;
        }
    }
    if (inputFd >= 0) close(inputFd);
    return output;
}

}  // namespace

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    for (size_t start = 0; start <= directories.size();) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        std::string directory = directories.substr(start, end - start);
        std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& input) {
    int inputPipe[2], outputPipe[2];
    if (pipe2(inputPipe, O_CLOEXEC) != 0 || pipe2(outputPipe, O_CLOEXEC) != 0)
        refuse("cannot run %s: %s", arguments[0].c_str(), strerror(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // A program that stops reading its input must not end this one.
    signal(SIGPIPE, SIG_IGN);
    pid_t child = 0;
    int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(inputPipe[0]);
    close(outputPipe[1]);
    if (error != 0) {
        close(inputPipe[1]);
        close(outputPipe[0]);
        refuse("cannot run %s: %s", arguments[0].c_str(), strerror(error));
    }

    ProgramRun run;
    run.output = exchange(inputPipe[1], outputPipe[0], input);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace trellane
