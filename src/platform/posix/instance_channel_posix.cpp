// The single-instance channel on Linux: an abstract Unix socket, "\0trellane-UID-KEY". Binding
// the name is the claim: the kernel gives it to one socket only and takes it back when the
// owning process ends however it ends, so a crashed owner leaves nothing behind. The abstract
// namespace is shared by every user of the network namespace, so both ends check who is at the
// other end (SO_PEERCRED) and deal only with their own user; the user's id in the name keeps
// users apart, the key (identity and display) applications and sessions. Every socket is
// non-blocking and closed on exec, so that no process the application starts holds the name.
#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

struct Socket {
    int fd;
};

int fdOf(void* handle) {
    return static_cast<Socket*>(handle)->fd;
}

socklen_t abstractAddress(const char* key, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays 0: the abstract namespace.
    int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "trellane-%u-%s",
                               static_cast<unsigned>(geteuid()), key);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

int newSocket() {
    return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

uint64_t now() {
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<uint64_t>(time.tv_sec) * 1000 +
           static_cast<uint64_t>(time.tv_nsec) / 1000000;
}

void sleepFor(uint32_t ms) {
    timespec time{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (nanosleep(&time, &time) != 0 && errno == EINTR) {
    }
}

// Waits for the events within timeoutMs (kWaitForever: no limit), through interruptions.
bool waitFor(int fd, short events, uint32_t timeoutMs) {
    const uint64_t deadline = now() + timeoutMs;
    for (;;) {
        int wait = -1;
        if (timeoutMs != kWaitForever) {
            uint64_t at = now();
            wait = at >= deadline ? 0 : static_cast<int>(deadline - at);
        }
        pollfd watched{fd, events, 0};
        int ready = poll(&watched, 1, wait);
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

InstanceClaim claim(const char* key, void** endpoint) {
    int fd = newSocket();
    if (fd < 0) return InstanceClaim::Unavailable;
    sockaddr_un address;
    socklen_t length = abstractAddress(key, address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        int error = errno;
        close(fd);
        return error == EADDRINUSE ? InstanceClaim::Taken : InstanceClaim::Unavailable;
    }
    // The name stays bound, and so claimed, until the process ends, whether or not the socket
    // can listen; one that cannot serves nobody. Never freed: it lives as long as the process.
    if (listen(fd, SOMAXCONN) == 0) *endpoint = new Socket{fd};
    return InstanceClaim::Owner;
}

InstanceConnect connectTo(const char* key, void** connection) {
    int fd = newSocket();
    if (fd < 0) return InstanceConnect::Refused;
    sockaddr_un address;
    socklen_t length = abstractAddress(key, address);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
        *connection = new Socket{fd};
        return InstanceConnect::Connected;
    }
    int error = errno;
    close(fd);
    // Refused: nobody listens under the name (yet, or any more). Again: the owner's queue of
    // connections is full.
    if (error == ECONNREFUSED || error == EAGAIN || error == ENOENT)
        return InstanceConnect::NotListening;
    return InstanceConnect::Refused;
}

bool peerIsSameUser(void* connection) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fdOf(connection), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == geteuid();
}

// Linux has no foreground lock to lift: a window manager decides.
void allowPeerToFront(void*) {}

void* acceptClient(void* endpoint, uint32_t timeoutMs, bool* failed) {
    int fd = fdOf(endpoint);
    if (!waitFor(fd, POLLIN, timeoutMs)) return nullptr;
    int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client >= 0) return new Socket{client};
    // A client that gave up in between is no failure; running out of descriptors is.
    if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) *failed = true;
    return nullptr;
}

long readSome(void* connection, void* buffer, size_t size, uint32_t timeoutMs) {
    int fd = fdOf(connection);
    if (!waitFor(fd, POLLIN, timeoutMs)) return -1;
    ssize_t got = recv(fd, buffer, size, MSG_DONTWAIT);
    return got < 0 ? -1 : static_cast<long>(got);
}

bool sendAll(void* connection, const void* data, size_t size, uint32_t timeoutMs) {
    int fd = fdOf(connection);
    const uint64_t deadline = now() + timeoutMs;
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        // MSG_NOSIGNAL: a peer that has gone must not end this process with SIGPIPE.
        ssize_t sent = send(fd, next, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            next += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR) return false;
        uint64_t at = now();
        if (at >= deadline || !waitFor(fd, POLLOUT, static_cast<uint32_t>(deadline - at)))
            return false;
    }
    return true;
}

void closeConnection(void* connection) {
    close(fdOf(connection));
    delete static_cast<Socket*>(connection);
}

const InstanceChannel kChannel{claim,        connectTo, peerIsSameUser, allowPeerToFront,
                               acceptClient, readSome,  sendAll,        closeConnection,
                               now,          sleepFor};

void* threadStart(void* start) {
    auto* call = static_cast<std::pair<void (*)(void*), void*>*>(start);
    call->first(call->second);
    return nullptr;
}

}  // namespace

const InstanceChannel& instanceChannel() {
    return kChannel;
}

std::string instanceSession() {
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"})
        if (const char* display = std::getenv(name); display != nullptr && *display != 0)
            return display;
    return "";
}

std::string workingFolder() {
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The thread calls into Java when it delivers a message: 1 MiB of stack, as the JVM gives its
// own threads, rather than whatever the shell's stack limit would make the default.
bool startThread(void (*body)(void*), void* parameter) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 1024 * 1024);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    // Never freed: the thread runs until the process ends.
    auto* start = new std::pair<void (*)(void*), void*>(body, parameter);
    pthread_t thread;
    bool started = pthread_create(&thread, &attributes, threadStart, start) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) delete start;
    return started;
}

}  // namespace trellane::platform
