#include "package/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/refusal.h"
#include "package/interruption.h"
#include "package/progress.h"

extern char** environ;

namespace trellane {

namespace {

std::string readBack(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    std::fclose(file);
    return text;
}

void stopGroup(pid_t child, int& status) {
    kill(-child, SIGKILL);
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

ChildOutcome runChild(const std::vector<std::string>& arguments, unsigned timeoutSeconds) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr)
        refuse("cannot make a temporary file for %s's output: %s", arguments[0].c_str(),
               std::strerror(errno));
    // Only as its standard output and error: no other descriptor of ours reaches the program.
    fcntl(fileno(out), F_SETFD, FD_CLOEXEC);
    fcntl(fileno(err), F_SETFD, FD_CLOEXEC);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
    // A group of its own, so a time limit or an interruption stops whatever it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    int error = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) refuse("cannot run %s: %s", arguments[0].c_str(), std::strerror(error));

    ChildOutcome outcome;
    int status = 0;
    double deadline = monotonicSeconds() + timeoutSeconds;
    for (;;) {
        pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) break;
        if (interruptionSignal() != 0) {
            stopGroup(child, status);
            stopIfInterrupted();
        }
        if (timeoutSeconds != 0 && monotonicSeconds() >= deadline) {
            stopGroup(child, status);
            outcome.timedOut = true;
            break;
        }
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (!outcome.timedOut) {
        if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    }
    outcome.out = readBack(out);
    outcome.err = readBack(err);
    return outcome;
}

std::string describeEnd(const ChildOutcome& outcome, unsigned timeoutSeconds) {
    char text[128];
    if (outcome.timedOut)
        std::snprintf(text, sizeof text, "no end within %u s", timeoutSeconds);
    else if (outcome.signal != 0)
        std::snprintf(text, sizeof text, "killed by signal %d (%s)", outcome.signal,
                      strsignal(outcome.signal));
    else
        std::snprintf(text, sizeof text, "exit status %d", outcome.exitStatus);
    return text;
}

std::string outputTail(const std::string& output, size_t limit) {
    if (output.size() <= limit) return output;
    size_t start = output.find('\n', output.size() - limit);
    start = start == std::string::npos ? output.size() - limit : start + 1;
    return "...\n" + output.substr(start);
}

}  // namespace trellane
