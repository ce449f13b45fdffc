#include "instance/instance_claim.h"

#include "instance/instance_message.h"

namespace trellane {

namespace {

constexpr uint32_t kLongestPause = 100;

// The milliseconds left until deadline, 0 once it has passed.
uint32_t remaining(const InstanceChannel& channel, uint64_t deadline) {
    uint64_t now = channel.now();
    return now >= deadline ? 0 : static_cast<uint32_t>(deadline - now);
}

// Sends the message and waits for the owner's answer: true when it took the message.
bool handOver(void* connection, const std::string& frame, const InstanceChannel& channel,
              uint64_t deadline) {
    // Before sending: the owner may act on the message at once.
    channel.allowPeerToFront(connection);
    if (!channel.sendAll(connection, frame.data(), frame.size(), remaining(channel, deadline)))
        return false;
    unsigned char answer = 0;
    return channel.readSome(connection, &answer, 1, remaining(channel, deadline)) == 1 &&
           answer == kInstanceAccepted;
}

}  // namespace

LaunchRole claimOrHandOver(const char* key, const std::string& frame, bool frameFits,
                           const InstanceChannel& channel, uint32_t budgetMs, void** endpoint) {
    const uint64_t deadline = channel.now() + budgetMs;
    uint32_t pause = 5;
    *endpoint = nullptr;
    for (;;) {
        switch (channel.claim(key, endpoint)) {
            case InstanceClaim::Owner:
                return LaunchRole::Owner;
            case InstanceClaim::Unavailable:
                return LaunchRole::OnItsOwn;
            case InstanceClaim::Taken:
                break;
        }
        if (!frameFits) return LaunchRole::TooLong;
        void* connection = nullptr;
        switch (channel.connect(key, &connection)) {
            case InstanceConnect::Refused:
                return LaunchRole::OnItsOwn;
            case InstanceConnect::NotListening:
                break;
            case InstanceConnect::Connected: {
                // Another user's process holding the name gets no arguments of this user's.
                if (!channel.peerIsSameUser(connection)) {
                    channel.close(connection);
                    return LaunchRole::OnItsOwn;
                }
                bool accepted = handOver(connection, frame, channel, deadline);
                channel.close(connection);
                if (accepted) return LaunchRole::HandedOver;
                break;
            }
        }
        // The owner is still opening its channel, or went away without an answer (it crashed,
        // or it is ending): the next round sees which, and may claim the instance itself.
        uint32_t left = remaining(channel, deadline);
        if (left == 0) return LaunchRole::NoAnswer;
        channel.sleep(pause < left ? pause : left);
        pause = pause * 2 < kLongestPause ? pause * 2 : kLongestPause;
    }
}

}  // namespace trellane
