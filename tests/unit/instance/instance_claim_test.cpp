#include "instance/instance_claim.h"

#include <gtest/gtest.h>

#include "instance/instance_message.h"
#include "scripted_channel.h"

namespace trellane {
namespace {

using fakes::bytes;
using fakes::channelScript;
using fakes::ChannelScript;
using fakes::ScriptedConnection;
using Claim = InstanceClaim;
using Connect = InstanceConnect;

const std::string kFrame = "TRL\x01\x03\0\0\0/w\0";
const std::string kAccepted(1, char(kInstanceAccepted));

ScriptedConnection answering(std::string answer, bool sameUser = true) {
    ScriptedConnection connection;
    if (!answer.empty()) connection.reads.push_back(bytes(answer));
    connection.sameUser = sameUser;
    return connection;
}

ChannelScript script(std::vector<Claim> claims, std::vector<Connect> connects = {},
                     std::vector<ScriptedConnection> connections = {}) {
    ChannelScript made;
    made.claims = std::move(claims);
    made.connects = connects.empty() ? std::vector<Connect>{Connect::Refused} : connects;
    made.connections.assign(connections.begin(), connections.end());
    return made;
}

LaunchRole run(ChannelScript script, bool fits = true) {
    channelScript = std::move(script);
    void* endpoint = nullptr;
    LaunchRole role = claimOrHandOver("key", kFrame, fits, fakes::kScriptedChannel,
                                      kHandOverMilliseconds, &endpoint);
    EXPECT_EQ(endpoint != nullptr, role == LaunchRole::Owner);
    return role;
}

TEST(InstanceClaim, DecidesBetweenOwningAndHandingOver) {
    ScriptedConnection none, ending;
    ending.reads.push_back(fakes::kEnd);
    struct Case {
        const char* what;
        ChannelScript script;
        LaunchRole role;
        size_t connects;
    } cases[] = {
        {"nobody runs", script({Claim::Owner}), LaunchRole::Owner, 0},
        {"the owner takes it", script({Claim::Taken}, {Connect::Connected}, {answering(kAccepted)}),
         LaunchRole::HandedOver, 1},
        {"the owner opens its channel late",
         script({Claim::Taken}, {Connect::NotListening, Connect::NotListening, Connect::Connected},
                {answering(kAccepted)}),
         LaunchRole::HandedOver, 3},
        {"the owner crashed before it answered",
         script({Claim::Taken, Claim::Owner}, {Connect::Connected}, {ending}), LaunchRole::Owner,
         1},
        {"an answer that is not the launcher's",
         script({Claim::Taken, Claim::Owner}, {Connect::Connected}, {answering("?")}),
         LaunchRole::Owner, 1},
        {"the system keeps the name", script({Claim::Unavailable}), LaunchRole::OnItsOwn, 0},
        {"the channel refuses", script({Claim::Taken}, {Connect::Refused}), LaunchRole::OnItsOwn,
         1},
        {"another user holds the name",
         script({Claim::Taken}, {Connect::Connected}, {answering(kAccepted, false)}),
         LaunchRole::OnItsOwn, 1},
        {"the owner never opens its channel", script({Claim::Taken}, {Connect::NotListening}),
         LaunchRole::NoAnswer, 0},
        {"the owner hangs", script({Claim::Taken}, {Connect::Connected}, {none}),
         LaunchRole::NoAnswer, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(std::move(c.script)), c.role);
        if (c.connects != 0) {
            EXPECT_EQ(channelScript.connectCount, c.connects);
        }
        for (const ScriptedConnection& connection : channelScript.connections) {
            EXPECT_TRUE(connection.closed);
            // Nothing for another user; the whole frame for the same user.
            EXPECT_EQ(connection.written, connection.sameUser ? kFrame : "");
            EXPECT_EQ(connection.allowedToFront, connection.sameUser);
        }
    }
}

TEST(InstanceClaim, RetriesWithGrowingPausesUntilItsTimeIsUp) {
    const uint64_t start = 1000;
    EXPECT_EQ(run(script({Claim::Taken}, {Connect::NotListening})), LaunchRole::NoAnswer);
    const std::vector<uint32_t>& sleeps = channelScript.sleeps;
    ASSERT_GE(sleeps.size(), 6u);
    EXPECT_EQ(std::vector<uint32_t>(sleeps.begin(), sleeps.begin() + 6),
              (std::vector<uint32_t>{5, 10, 20, 40, 80, 100}));
    // The last pause is what was left of the time.
    for (size_t i = 6; i + 1 < sleeps.size(); ++i) EXPECT_EQ(sleeps[i], 100u);
    EXPECT_EQ(channelScript.clock, start + kHandOverMilliseconds);
}

TEST(InstanceClaim, AMessageTooLongIsRefusedOnlyWhenItMustBeHandedOver) {
    EXPECT_EQ(run(script({Claim::Owner}), false), LaunchRole::Owner);
    EXPECT_EQ(run(script({Claim::Taken}, {Connect::Connected}, {answering(kAccepted)}), false),
              LaunchRole::TooLong);
    EXPECT_EQ(channelScript.connectCount, 0u);
}

}  // namespace
}  // namespace trellane
