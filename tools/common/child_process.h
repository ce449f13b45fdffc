// Running the programs the host tools hand work to (osslsigncode, jdeps, jlink, an
// application's training run): no shell, the arguments as given, standard input fed from
// memory, standard output and error captured, a time limit, and a process group of its own,
// so that stopping the program stops whatever it started too. The run ends when the program
// ends, even while something it started still holds its output; then its group is stopped,
// and with stopDescendants whatever else it started too (a process that made a session of its
// own with setsid comes to this one as its orphan). An interruption of the command
// (common/interruption.h) stops the program and then the command.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The program's full path from PATH, or "" when it is not there.
std::string findProgram(const std::string& name);

// Where a program finds ProgramOptions::secret: the descriptor it inherits, as a file name.
extern const char kSecretFile[];

// Whether catchInterruptions has seen a signal.
bool interruptionCame();

struct ProgramOptions {
    std::string input;            // all of its standard input; empty: it reads end-of-file
    bool separateError = false;   // standard error into ProgramRun::error, not with the output
    unsigned timeoutSeconds = 0;  // 0: as long as it takes
    // Handed over through a pipe the program inherits as kSecretFile, for a password: never
    // on the command line or in the environment, which other users may read, nor in a file.
    // At most kMaxSecretSize bytes.
    std::string secret;
    // Added to the tool's environment, "NAME=value" each, replacing a variable of that name.
    std::vector<std::string> environment;
    // A session of its own, without the terminal: a program that would ask there (a token's
    // PIN, a login) fails at once instead of stopping the build until its time is up.
    bool noTerminal = false;
    // Asked while the program runs; true stops it.
    bool (*interrupted)() = interruptionCame;
    // Keep only the last outputLimit bytes of the output (and of the error), for a program
    // that may write without end (an application); 0: keep all.
    size_t outputLimit = 0;
    // Whether what the program started and left running is stopped at its end wherever it
    // went (an application's run); false leaves what escaped its process group (an agent a
    // sign command starts to keep a token's PIN for the next signature).
    bool stopDescendants = false;
};

constexpr size_t kMaxSecretSize = 4096;

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
// cannot be started. When an interruption stopped it, the command ends there
// (stopIfInterrupted).
ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const ProgramOptions& options = {});

// runProgram with standard error kept apart and a time limit: for jdeps, jlink and the
// training run, whose messages are shown only when they fail.
ProgramRun runProgramWithLimit(const std::vector<std::string>& arguments, unsigned timeoutSeconds);

// An application's run (a training run): runProgramWithLimit keeping only the last
// kApplicationOutputKept bytes of its output and of its error, as it may print without end,
// and stopping everything it started when it ends.
constexpr size_t kApplicationOutputKept = size_t{64} << 10;
ProgramRun runApplication(const std::vector<std::string>& arguments, unsigned timeoutSeconds);

// "exit status 3", "killed by signal 9 (Killed)", "no end within 120 s".
std::string describeEnd(const ProgramRun& run, unsigned timeoutSeconds = 0);

// The last lines of a program's output, for a message: at most about limit bytes.
std::string outputTail(const std::string& output, size_t limit = 8000);

}  // namespace trellane
