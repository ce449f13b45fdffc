#include "common/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

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

// Whether the program has ended; it stays unreaped (WNOWAIT) until its group is stopped, so
// that the group's number is still its own then.
bool hasEnded(pid_t child) {
    siginfo_t ended{};
    int waited = waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT);
    return (waited == 0 && ended.si_pid == child) || (waited != 0 && errno != EINTR);
}

// Appends what was read, keeping no more than the last limit bytes (0: all) once the text
// has grown to twice that, so that trimming costs little per byte.
void keep(std::string& text, const char* data, size_t size, size_t limit) {
    text.append(data, size);
    if (limit != 0 && text.size() > 2 * limit) text.erase(0, text.size() - limit);
}

// Reads once from fd; true when it got something or was interrupted (more may follow at
// once). At the output's end or on a failure fd is closed.
bool readOnce(int& fd, std::string& text, size_t limit) {
    char chunk[65536];
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got > 0) keep(text, chunk, static_cast<size_t>(got), limit);
    if (got > 0 || (got < 0 && errno == EINTR)) return true;
    if (got < 0 && errno == EAGAIN) return false;
    closeFd(fd);
    return false;
}

// What the program wrote before it ended, still in the pipes: read without waiting, and no
// more than a few pipefuls, since a process it started may go on writing into them.
void drain(Pipes& pipes, const ProgramOptions& options, ProgramRun& run) {
    for (int* fd : {&pipes.output, &pipes.error}) {
        if (*fd < 0) continue;
        fcntl(*fd, F_SETFL, O_NONBLOCK);
        std::string& text = fd == &pipes.output ? run.output : run.error;
        for (int chunk = 0; chunk < 64 && *fd >= 0 && readOnce(*fd, text, options.outputLimit);
             ++chunk) {
        }
    }
}

// Feeds the input and collects the output at once, so neither side waits on a full pipe;
// stops when the program ends (what it wrote read first), when the output ends, when the time
// is up or when the command is interrupted.
void exchange(pid_t child, Pipes& pipes, const ProgramOptions& options, double deadline,
              ProgramRun& run) {
    size_t written = 0;
    if (options.input.empty()) closeFd(pipes.input);
    while (pipes.output >= 0 || pipes.error >= 0) {
        if (shouldStop(options, deadline, run)) return;
        if (hasEnded(child)) {
            drain(pipes, options, run);
            return;
        }
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
            readOnce(fd, index == 0 ? run.output : run.error, options.outputLimit);
        }
    }
}

struct ProcessEntry {
    pid_t pid;
    pid_t parent;
};

// Every process and its parent, from /proc.
std::vector<ProcessEntry> listProcesses() {
    std::vector<ProcessEntry> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return processes;
    while (struct dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        char path[300], stat[512];
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ssize_t got = read(fd, stat, sizeof stat - 1);
        close(fd);
        if (got <= 0) continue;
        stat[got] = '\0';
        // "PID (NAME) STATE PPID ...": the name may hold spaces and parentheses.
        const char* end = std::strrchr(stat, ')');
        char state = 0;
        int parent = 0;
        if (end != nullptr && std::sscanf(end + 1, " %c %d", &state, &parent) == 2)
            processes.push_back({static_cast<pid_t>(std::atoi(entry->d_name)), parent});
    }
    closedir(proc);
    return processes;
}

// This process's children, and whether it has other descendants (below the children),
// leaving out those in skipped and what they started.
std::vector<pid_t> ownChildren(const std::set<pid_t>& skipped, bool& deeper) {
    std::vector<ProcessEntry> processes = listProcesses();
    std::set<pid_t> tree{getpid()};
    std::vector<pid_t> children;
    deeper = false;
    for (bool grew = true; grew;) {
        grew = false;
        for (const ProcessEntry& process : processes) {
            if (tree.count(process.pid) != 0 || tree.count(process.parent) == 0 ||
                skipped.count(process.pid) != 0)
                continue;
            tree.insert(process.pid);
            grew = true;
            if (process.parent == getpid())
                children.push_back(process.pid);
            else
                deeper = true;
        }
    }
    return children;
}

// Stops every process the run left, level by level: this process is their subreaper, so the
// children of each one stopped come to it, and are stopped in the next round. Only its own
// unreaped children are signalled, whose numbers no other process can have taken meanwhile.
// Processes that were its children before the run (earlier) are left alone, and so is the
// program itself, reaped by the caller.
void stopDescendants(pid_t child, std::set<pid_t> earlier) {
    earlier.insert(child);
    // A process in the middle of a disk operation dies only once it is done: a few seconds
    // at most are given to them all.
    double giveUp = monotonicNow() + 5;
    while (monotonicNow() < giveUp) {
        bool deeper = false;
        std::vector<pid_t> children = ownChildren(earlier, deeper);
        if (children.empty() && !deeper) return;
        for (pid_t pid : children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, WNOHANG);
        }
        struct timespec pause = {0, 2 * 1000 * 1000};
        nanosleep(&pause, nullptr);
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
    // Orphans of the program (what it started before it ended, a process that left its
    // group with setsid among them) come to this process rather than to init, so that they
    // can be stopped when the program ends.
    std::set<pid_t> earlier;
    if (options.stopDescendants) {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        bool deeper = false;
        std::vector<pid_t> children = ownChildren({}, deeper);
        earlier.insert(children.begin(), children.end());
    }
    pid_t child = 0;
    int error =
        posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environment.data());
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
    exchange(child, pipes, options, deadline, run);
    // The output has ended, yet the program may still run (it closed its output): the limits
    // still count while waiting.
    while (!run.timedOut && !run.interrupted && !hasEnded(child)) {
        if (shouldStop(options, deadline, run)) break;
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    closeFd(pipes.input), closeFd(pipes.output), closeFd(pipes.error);
    // Whatever the program started and left running goes with it.
    stopGroup(child);
    if (options.stopDescendants) {
        // Once the program is gone, what it started is this process's to find.
        siginfo_t ended{};
        while (waitid(P_PID, child, &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        stopDescendants(child, earlier);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (options.outputLimit != 0) {
        for (std::string* text : {&run.output, &run.error})
            if (text->size() > options.outputLimit)
                text->erase(0, text->size() - options.outputLimit);
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

ProgramRun runApplication(const std::vector<std::string>& arguments, unsigned timeoutSeconds) {
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = timeoutSeconds;
    options.outputLimit = kApplicationOutputKept;
    options.stopDescendants = true;
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
