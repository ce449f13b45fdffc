#pragma once

#include "stamp/show_command.h"
#include "stamp/write_command.h"

namespace trellane {

enum class StampCommand { Write, Show, Format, Help };

struct StampRequest {
    StampCommand command = StampCommand::Help;
    WriteRequest write;  // StampCommand::Write
    ShowRequest show;    // StampCommand::Show
};

// Reads trellane-stamp's command line; a wrong one ends the process with refuseUsage.
StampRequest parseCommandLine(int argc, char** argv);

}  // namespace trellane
