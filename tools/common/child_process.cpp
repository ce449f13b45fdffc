#include "common/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/interruption.h"
#include "common/refusal.h"
#include "common/shown_text.h"

extern char** environ;

namespace trellane {

const char kSecretFile[] = "/dev/fd/3";

bool interruptionCame() {
    return interruptionSignal() != 0;
}

namespace {

double monotonicNow() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// The pipes between this process and the program, from this side.
struct Pipes {
    int input = -1, output = -1, error = -1;
};

void stopGroup(pid_t child) {
    kill(-child, SIGKILL);
}

// The secret in a pipe of its own, already written: it is small enough for the pipe to hold,
// so the program reads it whenever it likes. The read end, at descriptor 4 or above so that
// moving it to 3 in the child is a real move; -1 when there is no secret.
int secretPipe(const std::string& program, const std::string& secret) {
    if (secret.empty()) return -1;
    if (secret.size() > kMaxSecretSize)
        refuse("cannot hand %zu bytes to %s: %zu at most", secret.size(),
               shownName(program).c_str(), kMaxSecretSize);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        refuse("cannot run %s: %s", shownName(program).c_str(), strerror(errno));
    ssize_t put = write(ends[1], secret.data(), secret.size());
    close(ends[1]);
    int readEnd = fcntl(ends[0], F_DUPFD_CLOEXEC, 4);
    close(ends[0]);
    if (put != static_cast<ssize_t>(secret.size()) || readEnd < 0)
        refuse("cannot run %s: %s", shownName(program).c_str(), strerror(errno));
    return readEnd;
}

// The tool's environment with the given "NAME=value" entries in place of their names'.
std::vector<char*> withVariables(const std::vector<std::string>& variables) {
    std::vector<char*> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        bool replaced = false;
        for (const std::string& variable : variables) {
            size_t nameEnd = variable.find('=') + 1;
            replaced = replaced || std::strncmp(*entry, variable.c_str(), nameEnd) == 0;
        }
        if (!replaced) entries.push_back(*entry);
    }
    for (const std::string& variable : variables)
        entries.push_back(const_cast<char*>(variable.c_str()));
    entries.push_back(nullptr);
    return entries;
}

bool shouldStop(const ProgramOptions& options, double deadline, ProgramRun& run) {
    if (options.interrupted != nullptr && options.interrupted()) run.interrupted = true;
    if (options.timeoutSeconds != 0 && monotonicNow() >= deadline) run.timedOut = true;
    return run.interrupted || run.timedOut;
}

// Feeds the input and collects the output at once, so neither side waits on a full pipe;
// stops early when the time is up or the command is interrupted.
void exchange(Pipes& pipes, const ProgramOptions& options, double deadline, ProgramRun& run) {
    size_t written = 0;
    if (options.input.empty()) closeFd(pipes.input);
    while (pipes.output >= 0 || pipes.error >= 0) {
        if (shouldStop(options, deadline, run)) return;
        pollfd fds[3] = {
            {pipes.output, POLLIN, 0}, {pipes.error, POLLIN, 0}, {pipes.input, POLLOUT, 0}};
        if (poll(fds, 3, 50) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[2].revents != 0) {
            ssize_t put =
                write(pipes.input, options.input.data() + written, options.input.size() - written);
            if (put > 0) written += static_cast<size_t>(put);
            bool retry = put < 0 && (errno == EAGAIN || errno == EINTR);
            if ((put < 0 && !retry) || written == options.input.size()) closeFd(pipes.input);
        }
        for (int index : {0, 1}) {
            if (fds[index].revents == 0) continue;
            int& fd = index == 0 ? pipes.output : pipes.error;
            char chunk[65536];
            ssize_t got = read(fd, chunk, sizeof chunk);
            if (got > 0)
                (index == 0 ? run.output : run.error).append(chunk, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR)
                closeFd(fd);
        }
    }
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

ProgramRun runProgram(const std::vector<std::string>& arguments, const ProgramOptions& options) {
    int inputPipe[2], outputPipe[2], errorPipe[2] = {-1, -1};
    if (pipe2(inputPipe, O_CLOEXEC) != 0 || pipe2(outputPipe, O_CLOEXEC) != 0 ||
        (options.separateError && pipe2(errorPipe, O_CLOEXEC) != 0))
        refuse("cannot run %s: %s", shownName(arguments[0]).c_str(), strerror(errno));
    // A write of more than the pipe holds would wait for the program to read it, while the
    // program waits for its output to be read: this side writes only what fits.
    fcntl(inputPipe[1], F_SETFL, O_NONBLOCK);
    int secret = secretPipe(arguments[0], options.secret);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, options.separateError ? errorPipe[1] : outputPipe[1],
                                     2);
    if (secret >= 0) posix_spawn_file_actions_adddup2(&actions, secret, 3);
    // A group of its own: stopping the group stops what the program started too, and a
    // terminal's Ctrl-C reaches this command, which then stops the group, not the program
    // behind its back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             options.noTerminal ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> environment = withVariables(options.environment);

    // A program that stops reading its input must not end this one.
    signal(SIGPIPE, SIG_IGN);
    pid_t child = 0;
    int error = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(),
                            environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(inputPipe[0]);
    close(outputPipe[1]);
    if (errorPipe[1] >= 0) close(errorPipe[1]);
    if (secret >= 0) close(secret);
    Pipes pipes{inputPipe[1], outputPipe[0], errorPipe[0]};
    if (error != 0) {
        closeFd(pipes.input), closeFd(pipes.output), closeFd(pipes.error);
        refuse("cannot run %s: %s", shownName(arguments[0]).c_str(), strerror(error));
    }

    ProgramRun run;
    double deadline = monotonicNow() + options.timeoutSeconds;
    exchange(pipes, options, deadline, run);
    // The output has ended, yet the program may still run (it closed its output, or a child it
    // started holds it): the limits still count while waiting. An ended program stays unreaped
    // (WNOWAIT) until its group is stopped, so that the group's number is still its own then.
    while (!run.timedOut && !run.interrupted) {
        siginfo_t ended{};
        int waited = waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT);
        if ((waited == 0 && ended.si_pid == child) || (waited != 0 && errno != EINTR)) break;
        if (shouldStop(options, deadline, run)) break;
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    closeFd(pipes.input), closeFd(pipes.output), closeFd(pipes.error);
    // Whatever the program started and left running goes with it.
    stopGroup(child);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (run.interrupted) stopIfInterrupted();
    if (run.timedOut || run.interrupted) return run;
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

ProgramRun runProgramWithLimit(const std::vector<std::string>& arguments, unsigned timeoutSeconds) {
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = timeoutSeconds;
    return runProgram(arguments, options);
}

std::string describeEnd(const ProgramRun& run, unsigned timeoutSeconds) {
    char text[128];
    if (run.timedOut)
        std::snprintf(text, sizeof text, "no end within %u s", timeoutSeconds);
    else if (run.signal != 0)
        std::snprintf(text, sizeof text, "killed by signal %d (%s)", run.signal,
                      strsignal(run.signal));
    else
        std::snprintf(text, sizeof text, "exit status %d", run.status);
    return text;
}

std::string outputTail(const std::string& output, size_t limit) {
    if (output.size() <= limit) return output;
    size_t start = output.find('\n', output.size() - limit);
    start = start == std::string::npos ? output.size() - limit : start + 1;
    return "...\n" + output.substr(start);
}

}  // namespace trellane
