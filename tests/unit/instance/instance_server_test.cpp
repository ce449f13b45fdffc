#include "instance/instance_server.h"

#include <gtest/gtest.h>

#include <new>

#include "scripted_channel.h"

namespace trellane {
namespace {

using fakes::bytes;
using fakes::channelScript;
using fakes::ScriptedConnection;
using std::string_literals::operator""s;

struct Delivered {
    bool ready = true;
    bool throwOnce = false;
    std::vector<InstanceMessage> messages;
};
Delivered delivered;

bool ready() {
    return delivered.ready;
}
void deliver(const InstanceMessage& message) {
    if (delivered.throwOnce) {
        delivered.throwOnce = false;
        throw std::bad_alloc();
    }
    delivered.messages.push_back(message);
}
const InstanceDelivery kDelivery{ready, deliver};

std::string frame(const std::string& folder, std::vector<const char*> arguments) {
    std::string bytes;
    EXPECT_TRUE(encodeInstanceMessage(folder, int(arguments.size()), arguments.data(), bytes));
    return bytes;
}

std::string header(uint32_t length) {
    std::string bytes = "TRL\x01"s;
    for (int shift = 0; shift < 32; shift += 8) bytes += char((length >> shift) & 0xFF);
    return bytes;
}

const std::string kAccepted(1, char(kInstanceAccepted));

ScriptedConnection sending(std::vector<fakes::Read> reads, bool sameUser = true) {
    ScriptedConnection connection;
    connection.reads.assign(reads.begin(), reads.end());
    connection.sameUser = sameUser;
    return connection;
}

InstanceServer newServer() {
    delivered = Delivered{};
    channelScript = fakes::ChannelScript{};
    return InstanceServer{&fakes::scriptedEndpoint, &fakes::kScriptedChannel, &kDelivery, {}, 0};
}

TEST(InstanceServer, AnswersAndDeliversAWellFormedMessage) {
    InstanceServer server = newServer();
    // In pieces, as a pipe may deliver it; what follows the message stays unread.
    const std::string message = frame("/home/u", {"a b", "Zoë", ""});
    channelScript.connections.push_back(
        sending({bytes(message.substr(0, 3)), bytes(message.substr(3) + "extra")}));
    serveNextClient(server);
    const ScriptedConnection& client = channelScript.connections[0];
    EXPECT_EQ(client.written, kAccepted);
    EXPECT_TRUE(client.closed);
    ASSERT_EQ(client.reads.size(), 1u);
    EXPECT_EQ(client.reads[0].bytes, "extra");
    ASSERT_EQ(delivered.messages.size(), 1u);
    EXPECT_EQ(delivered.messages[0].workingFolder, "/home/u");
    EXPECT_EQ(delivered.messages[0].arguments, (std::vector<std::string>{"a b", "Zoë", ""}));
    EXPECT_EQ(channelScript.acceptWaits, std::vector<uint32_t>{kWaitForever});
}

TEST(InstanceServer, DropsWhatIsNotAMessageAndServesTheNextClient) {
    const std::string good = frame("/w", {"x"});
    struct Case {
        const char* what;
        std::vector<fakes::Read> reads;
    } cases[] = {
        {"not the launcher's", {bytes("GET / HTTP/1.0\r\n\r\n")}},
        {"an empty payload", {bytes(header(0))}},
        {"longer than allowed", {bytes(header(kMaxInstancePayload + 1))}},
        {"a payload without its last NUL", {bytes(header(3) + "/wx")}},
        {"too many arguments",
         {bytes(header(kMaxInstanceArguments + 2) + std::string(kMaxInstanceArguments + 2, '\0'))}},
        {"cut short", {bytes(good.substr(0, good.size() - 1)), fakes::kEnd}},
        {"closed at once", {fakes::kEnd}},
        {"nothing sent", {}},
        {"the header, then nothing", {bytes(header(4))}},
        {"one byte at a time, too slowly",
         {bytes(good.substr(0, 4), 600), bytes(good.substr(4, 4), 600),
          bytes(good.substr(8, 1), 600), bytes(good.substr(9), 600)}},
        {"a declared megabyte that never ends",
         {bytes(header(kMaxInstancePayload)), bytes(std::string(100000, 'x'), 500),
          bytes(std::string(100000, 'x'), 500), bytes(std::string(100000, 'x'), 500),
          bytes(std::string(100000, 'x'), 500), bytes(std::string(100000, 'x'), 500)}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstanceServer server = newServer();
        channelScript.connections.push_back(sending(c.reads));
        channelScript.connections.push_back(sending({bytes(good)}));
        const uint64_t start = channelScript.clock;
        serveNextClient(server);
        EXPECT_LE(channelScript.clock - start, uint64_t{kMessageMilliseconds});
        serveNextClient(server);
        EXPECT_EQ(channelScript.connections[0].written, "");
        EXPECT_TRUE(channelScript.connections[0].closed);
        EXPECT_EQ(channelScript.connections[1].written, kAccepted);
        ASSERT_EQ(delivered.messages.size(), 1u);
        EXPECT_EQ(delivered.messages[0].arguments, std::vector<std::string>{"x"});
    }
}

TEST(InstanceServer, ReadsNothingFromAnotherUser) {
    InstanceServer server = newServer();
    channelScript.connections.push_back(sending({bytes(frame("/w", {"x"}))}, false));
    serveNextClient(server);
    const ScriptedConnection& client = channelScript.connections[0];
    EXPECT_TRUE(client.closed);
    EXPECT_EQ(client.written, "");
    EXPECT_EQ(client.reads.size(), 1u);
    EXPECT_TRUE(delivered.messages.empty());
}

TEST(InstanceServer, KeepsMessagesUntilTheApplicationIsReady) {
    InstanceServer server = newServer();
    delivered.ready = false;
    channelScript.connections.push_back(sending({bytes(frame("/w", {"first"}))}));
    channelScript.connections.push_back(sending({bytes(frame("/w", {"second"}))}));
    serveNextClient(server);
    serveNextClient(server);
    // Answered at once, though the JVM is not there yet.
    EXPECT_EQ(channelScript.connections[0].written, kAccepted);
    EXPECT_EQ(channelScript.connections[1].written, kAccepted);
    EXPECT_TRUE(delivered.messages.empty());
    serveNextClient(server);  // no client: it looks again soon
    delivered.ready = true;
    serveNextClient(server);  // delivers before it waits for the next client
    EXPECT_EQ(channelScript.acceptWaits,
              (std::vector<uint32_t>{kWaitForever, kReadyPollMilliseconds, kReadyPollMilliseconds,
                                     kWaitForever}));
    ASSERT_EQ(delivered.messages.size(), 2u);
    EXPECT_EQ(delivered.messages[0].arguments[0], "first");
    EXPECT_EQ(delivered.messages[1].arguments[0], "second");
}

TEST(InstanceServer, AMessageWhoseAnswerIsLostIsNotDelivered) {
    InstanceServer server = newServer();
    ScriptedConnection gone = sending({bytes(frame("/w", {"x"}))});
    gone.sendWorks = false;
    channelScript.connections.push_back(gone);
    serveNextClient(server);
    EXPECT_TRUE(delivered.messages.empty());
    EXPECT_TRUE(channelScript.connections[0].closed);
}

TEST(InstanceServer, SurvivesAFailingDeliveryAndAFailingChannel) {
    InstanceServer server = newServer();
    delivered.throwOnce = true;
    channelScript.connections.push_back(sending({bytes(frame("/w", {"lost"}))}));
    channelScript.connections.push_back(sending({bytes(frame("/w", {"kept"}))}));
    serveNextClient(server);
    serveNextClient(server);
    ASSERT_EQ(delivered.messages.size(), 1u);
    EXPECT_EQ(delivered.messages[0].arguments[0], "kept");

    channelScript.acceptFails = true;
    for (int i = 0; i < 9; ++i) serveNextClient(server);
    EXPECT_EQ(channelScript.sleeps,
              (std::vector<uint32_t>{10, 20, 40, 80, 160, 320, 640, 1000, 1000}));
    channelScript.acceptFails = false;
    channelScript.connections.push_back(sending({bytes(frame("/w", {"after"}))}));
    serveNextClient(server);
    EXPECT_EQ(server.failurePause, 0u);
    EXPECT_EQ(delivered.messages.size(), 2u);
}

}  // namespace
}  // namespace trellane
