// Running the programs the host tools hand work to (osslsigncode, openssl): no shell, the
// arguments as given, standard input fed from memory, standard output and error captured.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The program's full path from PATH, or "" when it is not there.
std::string findProgram(const std::string& name);

struct ProgramRun {
    int status = -1;     // the exit status; -1 when it did not exit by itself
    std::string output;  // standard output and error, interleaved as written
};

// Runs arguments[0] (a full path) with the rest as its arguments; input is all its standard
// input. Refuses when the program cannot be started.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& input = "");

}  // namespace trellane
