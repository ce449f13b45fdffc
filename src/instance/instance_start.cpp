#include "instance/instance_start.h"

#include <cstdlib>
#include <string>

#include "common/command_line.h"
#include "common/error_box.h"
#include "common/fail_fatal.h"
#include "hosting/instance_delivery.h"
#include "instance/instance_claim.h"
#include "instance/instance_key.h"
#include "instance/instance_server.h"
#include "platform/platform.h"

namespace trellane {

namespace {

const char kCaption[] = "Application already running";

[[noreturn]] void refuseLaunch(const LaunchConfig& config, const char* message) {
    if (!config.isConsoleApp) showErrorBox(kCaption, message);
    failFatal("%s", message);
}

void serverThreadStart(void* server) {
    serveInstance(*static_cast<InstanceServer*>(server));
}

}  // namespace

void takeInstanceOrHandOver(const LaunchConfig& config) {
    const InstanceChannel& channel = platform::instanceChannel();
    const std::string key = instanceKey(instanceIdentity(config), platform::instanceSession());
    std::string frame;
    const bool fits =
        encodeInstanceMessage(platform::workingFolder(), recordedCommandLine.argumentCount - 1,
                              recordedCommandLine.arguments + 1, frame);
    void* endpoint = nullptr;
    switch (claimOrHandOver(key.c_str(), frame, fits, channel, kHandOverMilliseconds, &endpoint)) {
        case LaunchRole::HandedOver:
            std::exit(0);
        case LaunchRole::Owner:
            if (endpoint != nullptr) {
                static const InstanceDelivery delivery{instanceDeliveryReady,
                                                       deliverInstanceMessage};
                // The server and its thread last as long as the process: never freed.
                auto* server = new InstanceServer{endpoint, &channel, &delivery, {}, 0};
                platform::startThread(serverThreadStart, server);
            }
            return;
        case LaunchRole::OnItsOwn:
            return;
        case LaunchRole::NoAnswer:
            refuseLaunch(config,
                         "This application is already running but did not take this launch "
                         "within 10 seconds: try again, or end the running application.");
        case LaunchRole::TooLong:
            refuseLaunch(config,
                         "This application is already running, and the arguments are too long "
                         "to hand to it (at most 1048576 bytes and 65535 arguments).");
    }
}

}  // namespace trellane
