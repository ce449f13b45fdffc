#pragma once

namespace trellane {

// The command line as main received it, recorded once before the launch sequence starts.
// Element 0 is the program name; the application gets the rest.
struct RecordedCommandLine {
    int argumentCount = 0;
    char** arguments = nullptr;
};

extern RecordedCommandLine recordedCommandLine;

void recordCommandLine(int argc, char** argv);

}  // namespace trellane
