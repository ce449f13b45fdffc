// A channel between launches played from a script: what each claim and connection attempt
// finds, and for each connection what its reads deliver, chunk by chunk. The clock moves only
// when a primitive waits (a sleep, a read or an accept that times out), so time limits are
// exact. Records what the code did: what it wrote, closed, waited for.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "instance/instance_channel.h"

namespace trellane::fakes {

struct Read {
    enum Kind { Bytes, End, Silence } kind;
    std::string bytes;
    uint32_t delayMs;  // the clock moves this much before the bytes come
};

inline Read bytes(std::string text, uint32_t delayMs = 0) {
    return {Read::Bytes, std::move(text), delayMs};
}
inline const Read kEnd{Read::End, "", 0};
inline const Read kSilence{Read::Silence, "", 0};  // nothing comes: the read times out

struct ScriptedConnection {
    std::deque<Read> reads;  // after the last: silence
    bool sameUser = true;
    bool sendWorks = true;
    std::string written;
    bool closed = false;
    bool allowedToFront = false;
};

struct ChannelScript {
    std::vector<InstanceClaim> claims;           // one per claim, the last repeated
    std::vector<InstanceConnect> connects;       // one per connect, the last repeated
    std::deque<ScriptedConnection> connections;  // handed out by connect and accept, in order
    size_t nextConnection = 0;
    bool acceptFails = false;
    uint64_t clock = 1000;
    size_t claimCount = 0, connectCount = 0;
    std::vector<uint32_t> sleeps;
    std::vector<uint32_t> acceptWaits;
};

inline ChannelScript channelScript;
inline int scriptedEndpoint;

inline ScriptedConnection& connectionOf(void* handle) {
    return *static_cast<ScriptedConnection*>(handle);
}

template <typename T>
T nextOf(const std::vector<T>& list, size_t& count) {
    return list[std::min(count++, list.size() - 1)];
}

inline ScriptedConnection* handOutConnection() {
    ChannelScript& s = channelScript;
    if (s.nextConnection >= s.connections.size()) return nullptr;
    return &s.connections[s.nextConnection++];
}

inline InstanceClaim scriptedClaim(const char*, void** endpoint) {
    InstanceClaim claim = nextOf(channelScript.claims, channelScript.claimCount);
    if (claim == InstanceClaim::Owner) *endpoint = &scriptedEndpoint;
    return claim;
}

inline InstanceConnect scriptedConnect(const char*, void** connection) {
    InstanceConnect result = nextOf(channelScript.connects, channelScript.connectCount);
    if (result == InstanceConnect::Connected) *connection = handOutConnection();
    return result;
}

inline bool scriptedSameUser(void* connection) {
    return connectionOf(connection).sameUser;
}

inline void scriptedAllowToFront(void* connection) {
    connectionOf(connection).allowedToFront = true;
}

inline void* scriptedAccept(void*, uint32_t timeoutMs, bool* failed) {
    ChannelScript& s = channelScript;
    s.acceptWaits.push_back(timeoutMs);
    if (s.acceptFails) {
        *failed = true;
        return nullptr;
    }
    ScriptedConnection* next = handOutConnection();
    if (next == nullptr && timeoutMs != kWaitForever) s.clock += timeoutMs;
    return next;
}

inline long scriptedRead(void* handle, void* buffer, size_t size, uint32_t timeoutMs) {
    ScriptedConnection& connection = connectionOf(handle);
    if (connection.reads.empty() || connection.reads.front().kind == Read::Silence ||
        connection.reads.front().delayMs > timeoutMs) {
        channelScript.clock += timeoutMs;
        return -1;
    }
    Read& read = connection.reads.front();
    channelScript.clock += read.delayMs;
    read.delayMs = 0;
    if (read.kind == Read::End) return 0;
    size_t count = std::min(size, read.bytes.size());
    std::memcpy(buffer, read.bytes.data(), count);
    read.bytes.erase(0, count);
    if (read.bytes.empty()) connection.reads.pop_front();
    return static_cast<long>(count);
}

inline bool scriptedSend(void* handle, const void* data, size_t size, uint32_t) {
    ScriptedConnection& connection = connectionOf(handle);
    if (!connection.sendWorks) return false;
    connection.written.append(static_cast<const char*>(data), size);
    return true;
}

inline void scriptedClose(void* handle) {
    connectionOf(handle).closed = true;
}

inline uint64_t scriptedNow() {
    return channelScript.clock;
}

inline void scriptedSleep(uint32_t ms) {
    channelScript.sleeps.push_back(ms);
    channelScript.clock += ms;
}

inline const InstanceChannel kScriptedChannel{
    scriptedClaim, scriptedConnect, scriptedSameUser, scriptedAllowToFront, scriptedAccept,
    scriptedRead,  scriptedSend,    scriptedClose,    scriptedNow,          scriptedSleep};

}  // namespace trellane::fakes
