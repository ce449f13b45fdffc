// The running instance reading a message from a client, which may be anyone's process of the
// same user sending anything. The input: a byte that sets how the bytes arrive (the size of
// each read, 1 to 16 or all at once, and whether the client then closes or stays silent), then
// the bytes. Must hold: readInstanceMessage's verdict is the plain reference's, computed from
// the whole input at once; it reads nothing past the message's declared end; and a message it
// takes is exactly what encodeInstanceMessage writes for its working folder and arguments.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "instance/instance_server.h"

namespace {

using trellane::InstanceChannel;
using trellane::InstanceMessage;
using trellane::MessageProblem;

struct Client {
    std::string bytes;
    size_t at = 0;
    size_t chunk = 0;  // 0: everything that is left
    bool closes = false;
    uint64_t clock = 0;
};

Client client;

long readSome(void*, void* buffer, size_t size, uint32_t timeoutMs) {
    size_t left = client.bytes.size() - client.at;
    if (left == 0) {
        if (client.closes) return 0;
        client.clock += timeoutMs;
        return -1;
    }
    size_t count = std::min({size, left, client.chunk == 0 ? left : client.chunk});
    std::memcpy(buffer, client.bytes.data() + client.at, count);
    client.at += count;
    client.clock += 1;
    return static_cast<long>(count);
}

uint64_t now() {
    return client.clock;
}

const InstanceChannel kChannel{nullptr,  nullptr, nullptr, nullptr, nullptr,
                               readSome, nullptr, nullptr, now,     nullptr};

// What the message must be, from the whole input.
MessageProblem reference(const std::string& bytes, bool closes, InstanceMessage& message,
                         size_t& end) {
    const MessageProblem missing = closes ? MessageProblem::CutShort : MessageProblem::TooSlow;
    if (bytes.size() < trellane::kInstanceHeaderSize) return missing;
    if (bytes.compare(0, 4, "TRL\x01", 4) != 0) return MessageProblem::NotOurs;
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(bytes[4 + i]);
    if (size == 0) return MessageProblem::Empty;
    if (size > trellane::kMaxInstancePayload) return MessageProblem::TooLong;
    end = trellane::kInstanceHeaderSize + size;
    if (bytes.size() < end) return missing;
    if (bytes[end - 1] != 0) return MessageProblem::Unterminated;
    std::vector<std::string> strings;
    for (size_t at = trellane::kInstanceHeaderSize; at < end; at = bytes.find('\0', at) + 1)
        strings.push_back(bytes.substr(at, bytes.find('\0', at) - at));
    if (strings.size() - 1 > trellane::kMaxInstanceArguments)
        return MessageProblem::TooManyArguments;
    message.workingFolder = strings[0];
    message.arguments.assign(strings.begin() + 1, strings.end());
    return MessageProblem::None;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trellane::fuzz::FuzzInput input(data, size);
    const uint8_t how = input.byte();
    client = Client{};
    client.chunk = (how & 0x1F) > 16 ? 0 : (how & 0x1F);
    client.closes = (how & 0x80) != 0;
    client.bytes = input.rest();

    InstanceMessage read, expected;
    size_t end = 0;
    MessageProblem problem = trellane::readInstanceMessage(nullptr, kChannel, 2000, read);
    MessageProblem wanted = reference(client.bytes, client.closes, expected, end);
    // A client that trickles one byte a millisecond runs out of time on a long message.
    if (problem == MessageProblem::TooSlow && client.clock >= 2000) return 0;
    FUZZ_CHECK(problem == wanted);
    if (problem != MessageProblem::None) return 0;
    FUZZ_CHECK(client.at == end);
    FUZZ_CHECK(read.workingFolder == expected.workingFolder);
    FUZZ_CHECK(read.arguments == expected.arguments);
    std::vector<const char*> arguments;
    for (const std::string& argument : read.arguments) arguments.push_back(argument.c_str());
    std::string frame;
    FUZZ_CHECK(trellane::encodeInstanceMessage(read.workingFolder, int(arguments.size()),
                                               arguments.data(), frame));
    FUZZ_CHECK(frame == client.bytes.substr(0, end));
    return 0;
}
