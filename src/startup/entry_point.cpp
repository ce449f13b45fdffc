// The launcher's entry point. LaunchConfig has been parsed before this runs.
#include "common/command_line.h"
#include "config/launch_config.h"
#include "hosting/launch_sequence.h"
#include "instance/instance_start.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    using namespace trellane;
    recordCommandLine(argc, argv);
    // A later launch of a single-instance application ends here, before the process is
    // prepared for a JVM it will not start.
    if (launchConfig.singleInstance) takeInstanceOrHandOver(launchConfig);
    platform::prepareStartupEnvironment(launchConfig);
    if (launchConfig.useMainThread) runLaunchSequence();
    platform::runOnLaunchThread(launchConfig.launchThreadStackSize, runLaunchSequence);
    return 0;
}
