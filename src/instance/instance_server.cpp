#include "instance/instance_server.h"

namespace trellane {

namespace {

constexpr uint32_t kLongestFailurePause = 1000;

MessageProblem readExactly(void* connection, const InstanceChannel& channel, uint64_t deadline,
                           unsigned char* buffer, size_t size) {
    size_t have = 0;
    while (have < size) {
        uint64_t now = channel.now();
        if (now >= deadline) return MessageProblem::TooSlow;
        long got = channel.readSome(connection, buffer + have, size - have,
                                    static_cast<uint32_t>(deadline - now));
        if (got == 0) return MessageProblem::CutShort;
        if (got < 0 || static_cast<size_t>(got) > size - have) return MessageProblem::TooSlow;
        have += static_cast<size_t>(got);
    }
    return MessageProblem::None;
}

void deliverWaiting(InstanceServer& server) {
    if (server.waiting.empty() || !server.delivery->ready()) return;
    for (const InstanceMessage& message : server.waiting) server.delivery->deliver(message);
    server.waiting.clear();
}

// Reads, answers and passes on the connection's message; drops anything else.
void serveClient(InstanceServer& server, void* connection) {
    const InstanceChannel& channel = *server.channel;
    // Another user's process is not read at all.
    if (!channel.peerIsSameUser(connection)) return;
    InstanceMessage message;
    if (readInstanceMessage(connection, channel, kMessageMilliseconds, message) !=
        MessageProblem::None)
        return;
    // A sender that does not get the answer tries again: its message counts only once answered.
    if (!channel.sendAll(connection, &kInstanceAccepted, 1, kMessageMilliseconds)) return;
    deliverWaiting(server);
    if (server.waiting.empty() && server.delivery->ready())
        server.delivery->deliver(message);
    else if (server.waiting.size() < kMaxWaitingMessages)
        server.waiting.push_back(std::move(message));
}

}  // namespace

MessageProblem readInstanceMessage(void* connection, const InstanceChannel& channel,
                                   uint32_t timeoutMs, InstanceMessage& message) {
    const uint64_t deadline = channel.now() + timeoutMs;
    unsigned char header[kInstanceHeaderSize];
    MessageProblem problem = readExactly(connection, channel, deadline, header, sizeof header);
    uint32_t size = 0;
    if (problem == MessageProblem::None) problem = checkInstanceHeader(header, size);
    if (problem != MessageProblem::None) return problem;
    std::vector<unsigned char> payload(size);
    problem = readExactly(connection, channel, deadline, payload.data(), payload.size());
    if (problem != MessageProblem::None) return problem;
    return parseInstancePayload(payload.data(), payload.size(), message);
}

void serveNextClient(InstanceServer& server) {
    const InstanceChannel& channel = *server.channel;
    try {
        deliverWaiting(server);
    } catch (...) {
        server.waiting.clear();  // memory ran out: these are dropped, the application runs on
    }
    bool failed = false;
    uint32_t wait = server.waiting.empty() ? kWaitForever : kReadyPollMilliseconds;
    void* connection = channel.acceptClient(server.endpoint, wait, &failed);
    if (connection == nullptr) {
        // A channel that keeps failing is tried again, ever more slowly, never given up:
        // the application runs on either way.
        if (failed) {
            server.failurePause = server.failurePause == 0 ? 10 : server.failurePause * 2;
            if (server.failurePause > kLongestFailurePause)
                server.failurePause = kLongestFailurePause;
            channel.sleep(server.failurePause);
        }
        return;
    }
    server.failurePause = 0;
    try {
        serveClient(server, connection);
    } catch (...) {
        // Memory ran out for this message: it is dropped, and the application runs on.
    }
    channel.close(connection);
}

void serveInstance(InstanceServer& server) {
    for (;;) serveNextClient(server);
}

}  // namespace trellane
