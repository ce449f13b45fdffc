#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

struct WriteRequest {
    std::string input;
    std::string output;
    LaunchConfig config;
};

// Stamps request.config into a copy of the input launcher, or refuses with nothing written.
void runWrite(const WriteRequest& request);

}  // namespace trellane
