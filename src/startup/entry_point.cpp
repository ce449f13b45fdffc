// The launcher's entry point. LaunchConfig has been parsed before this runs.
#include "common/command_line.h"
#include "config/launch_config.h"
#include "hosting/launch_sequence.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    using namespace trellane;
    recordCommandLine(argc, argv);
    platform::prepareStartupEnvironment(launchConfig);
    if (launchConfig.useMainThread) runLaunchSequence();
    platform::runOnLaunchThread(launchConfig.launchThreadStackSize, runLaunchSequence);
    return 0;
}
