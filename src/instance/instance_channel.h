// The channel between launches of one application, as the core sees it. The platform layer
// supplies it (a named mutex and a named pipe on Windows, an abstract socket on Linux); the
// core decides who owns the instance, frames the messages and serves them, so that tests can
// drive every branch with a channel of their own. Connections and endpoints are the platform's
// handles, passed through untouched; times are milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trellane {

enum class InstanceClaim {
    Owner,        // this launch owns the instance; *endpoint is where later launches connect
    Taken,        // a running launch owns it
    Unavailable,  // the system refuses both (a name held by another user): run on its own
};

enum class InstanceConnect {
    Connected,     // *connection is open
    NotListening,  // the owner has not opened its channel yet, or has just closed it
    Refused,       // the channel is there but cannot be used (another user's): run on its own
};

struct InstanceChannel {
    // Takes ownership of the instance named by key, held until the process ends. An owner
    // whose channel cannot be opened gets a null endpoint: it runs, and serves nobody.
    InstanceClaim (*claim)(const char* key, void** endpoint);
    InstanceConnect (*connect)(const char* key, void** connection);
    // Whether the process at the other end runs as the same user as this one.
    bool (*peerIsSameUser)(void* connection);
    // Lets the process at the other end bring its window to the front (Windows).
    void (*allowPeerToFront)(void* connection);
    // The next client of the endpoint, waiting at most timeoutMs (kWaitForever: no limit).
    // Null when none came in time, or on a failure, which sets *failed.
    void* (*acceptClient)(void* endpoint, uint32_t timeoutMs, bool* failed);
    // Reads what is there, up to size bytes, waiting at most timeoutMs for the first byte:
    // the count, 0 at the end of the stream, -1 on timeout or failure.
    long (*readSome)(void* connection, void* buffer, size_t size, uint32_t timeoutMs);
    // Writes all size bytes within timeoutMs.
    bool (*sendAll)(void* connection, const void* data, size_t size, uint32_t timeoutMs);
    void (*close)(void* connection);
    // A monotonic clock.
    uint64_t (*now)();
    void (*sleep)(uint32_t ms);
};

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

}  // namespace trellane
