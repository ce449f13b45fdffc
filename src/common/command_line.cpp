#include "common/command_line.h"

namespace trellane {

RecordedCommandLine recordedCommandLine;

void recordCommandLine(int argc, char** argv) {
    recordedCommandLine.argumentCount = argc;
    recordedCommandLine.arguments = argv;
}

}  // namespace trellane
