// What a later launch hands to the running instance: its working folder and its arguments, in
// a frame of the launcher's own. Whatever arrives on the channel is untrusted input: the frame
// says its length up front, the length is capped, and nothing is read past it.
//
//   bytes 0-3   "TRL" and 0x01, the format's version
//   bytes 4-7   the payload's length, unsigned 32-bit, least significant byte first
//   payload     NUL-terminated strings: the working folder, then each argument in order
//
// The running instance answers a message it takes with the one byte kInstanceAccepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

constexpr unsigned char kInstanceMagic[4] = {'T', 'R', 'L', 0x01};
constexpr size_t kInstanceHeaderSize = 8;
// More than any command line Windows can hold (32,767 UTF-16 units), and what a Linux launch
// with a few thousand paths needs.
constexpr size_t kMaxInstancePayload = 1024 * 1024;
constexpr size_t kMaxInstanceArguments = 65535;
constexpr unsigned char kInstanceAccepted = 0x06;

struct InstanceMessage {
    std::string workingFolder;
    std::vector<std::string> arguments;
};

enum class MessageProblem {
    None,
    NotOurs,           // the first four bytes are not the magic
    Empty,             // a payload of length 0 cannot hold the working folder
    TooLong,           // the length is over kMaxInstancePayload
    Unterminated,      // the payload does not end with a NUL
    TooManyArguments,  // more than kMaxInstanceArguments strings after the working folder
    CutShort,          // the sender closed the channel before the whole message
    TooSlow,           // the message did not arrive in time, or the channel failed
};

// Reads the header: the payload's length when the magic is right and the length allowed.
MessageProblem checkInstanceHeader(const unsigned char* header, uint32_t& payloadSize);

// Splits a payload of size bytes into the working folder and the arguments.
MessageProblem parseInstancePayload(const unsigned char* payload, size_t size,
                                    InstanceMessage& message);

// The whole frame for a working folder and argumentCount arguments. False when the message
// cannot be sent: too long, or too many arguments.
bool encodeInstanceMessage(const std::string& workingFolder, int argumentCount,
                           const char* const* arguments, std::string& frame);

}  // namespace trellane
