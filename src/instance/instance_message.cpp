#include "instance/instance_message.h"

#include <cstring>

namespace trellane {

MessageProblem checkInstanceHeader(const unsigned char* header, uint32_t& payloadSize) {
    if (std::memcmp(header, kInstanceMagic, sizeof kInstanceMagic) != 0)
        return MessageProblem::NotOurs;
    payloadSize = static_cast<uint32_t>(header[4]) | static_cast<uint32_t>(header[5]) << 8 |
                  static_cast<uint32_t>(header[6]) << 16 | static_cast<uint32_t>(header[7]) << 24;
    if (payloadSize == 0) return MessageProblem::Empty;
    if (payloadSize > kMaxInstancePayload) return MessageProblem::TooLong;
    return MessageProblem::None;
}

MessageProblem parseInstancePayload(const unsigned char* payload, size_t size,
                                    InstanceMessage& message) {
    if (size == 0) return MessageProblem::Empty;
    if (payload[size - 1] != 0) return MessageProblem::Unterminated;
    // Counted first, so that a payload of NULs never makes a vector of a million strings.
    size_t strings = 0;
    for (size_t i = 0; i < size; ++i) strings += payload[i] == 0;
    if (strings - 1 > kMaxInstanceArguments) return MessageProblem::TooManyArguments;
    const char* text = reinterpret_cast<const char*>(payload);
    const char* end = text + size;
    message.workingFolder.assign(text);
    text += message.workingFolder.size() + 1;
    message.arguments.clear();
    message.arguments.reserve(strings - 1);
    while (text < end) {
        message.arguments.emplace_back(text);
        text += message.arguments.back().size() + 1;
    }
    return MessageProblem::None;
}

bool encodeInstanceMessage(const std::string& workingFolder, int argumentCount,
                           const char* const* arguments, std::string& frame) {
    if (argumentCount < 0) argumentCount = 0;
    if (static_cast<size_t>(argumentCount) > kMaxInstanceArguments) return false;
    // The working folder comes from the system as a C string: it ends at its first NUL.
    const size_t folderLength = std::strlen(workingFolder.c_str());
    size_t payload = folderLength + 1;
    for (int i = 0; i < argumentCount; ++i) payload += std::strlen(arguments[i]) + 1;
    if (payload > kMaxInstancePayload) return false;
    frame.assign(reinterpret_cast<const char*>(kInstanceMagic), sizeof kInstanceMagic);
    for (int shift = 0; shift < 32; shift += 8)
        frame += static_cast<char>((payload >> shift) & 0xFF);
    frame.append(workingFolder.c_str(), folderLength + 1);
    for (int i = 0; i < argumentCount; ++i)
        frame.append(arguments[i], std::strlen(arguments[i]) + 1);
    return true;
}

}  // namespace trellane
