#pragma once

#include <string>

#include "brand/app_metadata.h"
#include "brand/signing_request.h"
#include "config/launch_config.h"

namespace trellane {

struct WriteRequest {
    std::string input;
    std::string output;
    LaunchConfig config;
    AppMetadata metadata;    // Windows launchers only
    SigningRequest signing;  // Windows launchers only
};

// Stamps request.config into a copy of the input launcher, or refuses with nothing written.
void runWrite(const WriteRequest& request);

}  // namespace trellane
