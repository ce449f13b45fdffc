// The running instance's side of the channel: it takes one client at a time, reads its message
// within a time limit, answers a well-formed one and hands it to the application. What a
// client sends cannot harm the application: a message that is malformed, too long, slow or
// never ending is dropped, and the next client is served.
#pragma once

#include <cstdint>
#include <vector>

#include "instance/instance_channel.h"
#include "instance/instance_message.h"

namespace trellane {

// How a message reaches the application.
struct InstanceDelivery {
    // Whether the application can take messages: not before its JVM exists.
    bool (*ready)();
    void (*deliver)(const InstanceMessage& message);
};

// A client's whole message must arrive within this time; a launch writes it at once.
constexpr uint32_t kMessageMilliseconds = 2000;
// Messages kept while the JVM starts; more are dropped.
constexpr size_t kMaxWaitingMessages = 256;
// How often the server looks whether the JVM is there while messages wait for it.
constexpr uint32_t kReadyPollMilliseconds = 20;

struct InstanceServer {
    void* endpoint;
    const InstanceChannel* channel;
    const InstanceDelivery* delivery;
    std::vector<InstanceMessage> waiting;  // taken before the application was ready
    uint32_t failurePause = 0;             // grows while accepting keeps failing
};

// Reads one message from the connection within timeoutMs, and not a byte past its end.
MessageProblem readInstanceMessage(void* connection, const InstanceChannel& channel,
                                   uint32_t timeoutMs, InstanceMessage& message);

// One round: what waits goes to the application once it is ready, then the next client, if
// one comes, is served.
void serveNextClient(InstanceServer& server);

// The server thread's body: rounds without end. Nothing in it ends the process.
[[noreturn]] void serveInstance(InstanceServer& server);

}  // namespace trellane
