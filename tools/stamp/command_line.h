#pragma once

#include "stamp/brand_command.h"
#include "stamp/show_command.h"
#include "stamp/write_command.h"

namespace trellane {

enum class StampCommand { Write, Brand, Show, Format, Help };

struct StampRequest {
    StampCommand command = StampCommand::Help;
    WriteRequest write;  // StampCommand::Write
    BrandRequest brand;  // StampCommand::Brand
    ShowRequest show;    // StampCommand::Show
};

// Reads trellane-stamp's command line; a wrong one ends the process with refuseUsage.
StampRequest parseCommandLine(int argc, char** argv);

}  // namespace trellane
