// Running the programs the host tools hand work to (osslsigncode, openssl, jdeps, jlink, an
// application's training run): no shell, the arguments as given, standard input fed from
// memory, standard output and error captured, and, when asked, a time limit and a way to stop
// the program (with whatever it started) when the command is interrupted.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The program's full path from PATH, or "" when it is not there.
std::string findProgram(const std::string& name);

struct ProgramOptions {
    std::string input;           // all of its standard input; empty: it reads end-of-file
    bool separateError = false;  // standard error into ProgramRun::error, not with the output
    unsigned timeoutSeconds = 0;  // 0: as long as it takes
    // Asked while the program runs; true stops it. Given this or a time limit, the program
    // runs in a process group of its own, so that stopping it stops what it started too.
    bool (*interrupted)() = nullptr;
};

struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not exit by itself
    int signal = 0;   // the signal that ended it
    bool timedOut = false;
    bool interrupted = false;
    std::string output;  // standard output, and error too unless kept apart
    std::string error;

    bool succeeded() const { return status == 0; }
};

// Runs arguments[0] (a full path) with the rest as its arguments. Refuses when the program
// cannot be started.
ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const ProgramOptions& options = {});

// "exit status 3", "killed by signal 9 (Killed)", "no end within 120 s".
std::string describeEnd(const ProgramRun& run, unsigned timeoutSeconds = 0);

// The last lines of a program's output, for a message: at most about limit bytes.
std::string outputTail(const std::string& output, size_t limit = 8000);

}  // namespace trellane
