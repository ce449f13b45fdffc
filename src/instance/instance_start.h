// The entry point's first step in single-instance mode, before anything else changes the
// process: a later launch hands over its working folder and arguments and ends here with
// status 0; the first one opens the channel, starts the server thread and goes on to start
// the application.
#pragma once

#include "config/launch_config.h"

namespace trellane {

// Returns only when this launch is to start the application: as the instance's owner, or on
// its own when the system keeps it out. Otherwise it ends the process: 0 once the running
// instance took the launch, 1 (after saying why) when it cannot.
void takeInstanceOrHandOver(const LaunchConfig& config);

}  // namespace trellane
