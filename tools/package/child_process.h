// Running jdeps, jlink and the training run: an argument vector, no shell, no terminal input,
// output kept for the message when the run fails, an optional time limit, and the whole
// process group stopped when the time is up or the command is interrupted.
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct ChildOutcome {
    bool timedOut = false;
    int exitStatus = -1;  // when it exited
    int signal = 0;       // when a signal ended it
    std::string out;
    std::string err;

    bool succeeded() const { return !timedOut && signal == 0 && exitStatus == 0; }
};

// Runs arguments[0] (a path) with the arguments; timeoutSeconds 0 waits as long as it takes.
// Refuses when the program cannot be started.
ChildOutcome runChild(const std::vector<std::string>& arguments, unsigned timeoutSeconds = 0);

// "exit status 3", "killed by signal 9 (Killed)", "no end within 120 s".
std::string describeEnd(const ChildOutcome& outcome, unsigned timeoutSeconds = 0);

// The last lines of a program's output, for a message: at most about limit bytes.
std::string outputTail(const std::string& output, size_t limit = 8000);

}  // namespace trellane
