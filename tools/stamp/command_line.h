// trellane-stamp's command line, in the style trellane-package shares (CLI11 commands, @FILE,
// --help, --version, usage errors with status 2).
#pragma once

#include <string>
#include <vector>

#include "stamp/brand_command.h"
#include "stamp/show_command.h"
#include "stamp/write_command.h"

namespace trellane {

enum class StampCommand { Write, Brand, Show, Format };

struct StampRequest {
    StampCommand command = StampCommand::Format;
    WriteRequest write;  // StampCommand::Write
    BrandRequest brand;  // StampCommand::Brand
    ShowRequest show;    // StampCommand::Show
};

// Reads trellane-stamp's arguments (argument files already expanded). --help and --version
// print and end the process with 0; a wrong command line ends it with refuseUsage.
StampRequest parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace trellane
