#pragma once

#include <cstddef>
#include <string>

namespace trellane {

struct ShowRequest {
    std::string path;
    bool offsetGiven = false;  // --offset: where the area starts, as write reported it
    size_t offset = 0;
};

// Prints the configuration stamped into the launcher, and a Windows launcher's branding and
// signer, or refuses.
void runShow(const ShowRequest& request);

}  // namespace trellane
