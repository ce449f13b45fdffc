// trellane-stamp: writes a launch configuration block into a launcher, reads it back, and
// prints the block's format.
#include <cstdio>

#include "command_line.h"
#include "config/block_description.h"
#include "show_command.h"
#include "usage.h"
#include "write_command.h"

int main(int argc, char** argv) {
    using namespace trellane;
    StampRequest request = parseCommandLine(argc, argv);
    switch (request.command) {
        case StampCommand::Help:
            printUsage(stdout);
            break;
        case StampCommand::Write:
            runWrite(request.write);
            break;
        case StampCommand::Show:
            runShow(request.show);
            break;
        case StampCommand::Format:
            std::fputs(describeBlockFormat().c_str(), stdout);
            break;
    }
    if (std::fflush(stdout) != 0) {
        std::perror("trellane-stamp: standard output");
        return 1;
    }
    return 0;
}
