// trellane-stamp: writes a launch configuration block into a launcher, brands and signs a
// Windows launcher, reads both back, and prints the block's format.
#include <cstdio>
#include <string>
#include <vector>

#include "common/argument_files.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "config/block_description.h"
#include "stamp/brand_command.h"
#include "stamp/command_line.h"
#include "stamp/show_command.h"
#include "stamp/write_command.h"

int main(int argc, char** argv) {
    using namespace trellane;
    setToolName("trellane-stamp");
    catchInterruptions();
    StampRequest request = parseCommandLine(expandArgumentFiles({argv + 1, argv + argc}));
    switch (request.command) {
        case StampCommand::Write:
            runWrite(request.write);
            break;
        case StampCommand::Brand:
            runBrand(request.brand);
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
