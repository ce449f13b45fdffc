// The single-instance channel on Windows. The claim is a mutex in the session's own namespace
// (Local\), held by the owner until it ends (a crashed owner's mutex is abandoned, and the
// next launch takes it); the channel is a named pipe. Both names carry the user's SID and the
// key (identity and session), and both objects can be opened only by the logon session that
// made them: their DACL grants access to its logon SID alone, never to Everyone. The pipe
// takes local clients only, and a client lets the server identify it but not act as it. Each
// end still checks that the process at the other end runs as the same user before it trusts
// it. No handle is inheritable, so no process the application starts holds either name.
#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

constexpr DWORD kPipeBufferSize = 64 * 1024;

// The process's user and logon session, read once from its token.
struct TokenIdentity {
    std::vector<unsigned char> user;    // TOKEN_USER
    std::vector<unsigned char> groups;  // TOKEN_GROUPS
    PSID userSid = nullptr;
    PSID logonSid = nullptr;
    std::string userText;  // "S-1-5-21-..."
};

std::vector<unsigned char> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<unsigned char> data(size);
    if (size == 0 || !GetTokenInformation(token, kind, data.data(), size, &size)) data.clear();
    return data;
}

PSID userOf(const std::vector<unsigned char>& user) {
    return user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
}

// Read by the first claim, on the primary thread, before the server thread exists; only read
// afterwards. Made then, not at start-up: a launcher without single-instance mode never
// reads its token. Never freed: the names and the checks use it until the process ends.
TokenIdentity* ownToken;
SECURITY_DESCRIPTOR sessionDescriptor;
unsigned char sessionAcl[256];
SECURITY_ATTRIBUTES sessionAttributes{sizeof sessionAttributes, nullptr, FALSE};

void readOwnIdentity() {
    ownToken = new TokenIdentity;
    TokenIdentity& own = *ownToken;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    own.user = tokenInformation(token, TokenUser);
    own.groups = tokenInformation(token, TokenGroups);
    CloseHandle(token);
    own.userSid = userOf(own.user);
    if (!own.groups.empty()) {
        const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(own.groups.data());
        for (DWORD i = 0; i < groups->GroupCount; ++i)
            if ((groups->Groups[i].Attributes & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID)
                own.logonSid = groups->Groups[i].Sid;
    }
    LPSTR text = nullptr;
    if (own.userSid != nullptr && ConvertSidToStringSidA(own.userSid, &text)) {
        own.userText = text;
        LocalFree(text);
    }
}

// A DACL that lets the logon session (the user, when the token names none) do everything
// with the object, and nobody else anything.
void buildSessionSecurity() {
    const TokenIdentity& own = *ownToken;
    PSID grantee = own.logonSid != nullptr ? own.logonSid : own.userSid;
    PACL acl = reinterpret_cast<PACL>(sessionAcl);
    if (grantee != nullptr && InitializeAcl(acl, sizeof sessionAcl, ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, grantee) &&
        InitializeSecurityDescriptor(&sessionDescriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&sessionDescriptor, TRUE, acl, FALSE))
        sessionAttributes.lpSecurityDescriptor = &sessionDescriptor;
}

// Null until the descriptor is built: no object is made without it.
SECURITY_ATTRIBUTES* sessionOnly() {
    return sessionAttributes.lpSecurityDescriptor != nullptr ? &sessionAttributes : nullptr;
}

std::string objectName(const char* prefix, const char* key) {
    return prefix + ownToken->userText + "-" + key;
}

// One end of a pipe. Overlapped, so that every wait has a time limit.
struct Pipe {
    HANDLE handle;
    HANDLE event;
    bool serverEnd;
    OVERLAPPED connecting;  // the server's pending ConnectNamedPipe
    bool connectPending;
};

struct Endpoint {
    std::string name;
    Pipe* listening;  // the instance the next client connects to
};

Pipe* newPipe(HANDLE handle, bool serverEnd) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        CloseHandle(handle);
        return nullptr;
    }
    return new Pipe{handle, event, serverEnd, {}, false};
}

void closePipe(Pipe* pipe) {
    CloseHandle(pipe->handle);
    CloseHandle(pipe->event);
    delete pipe;
}

// The first instance must be the first of its name: a pipe someone else made under it is not
// ours to serve on.
Pipe* newPipeInstance(const std::string& name, bool first) {
    SECURITY_ATTRIBUTES* security = sessionOnly();
    if (security == nullptr) return nullptr;
    HANDLE handle = CreateNamedPipeA(
        name.c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kPipeBufferSize, kPipeBufferSize, 0, security);
    return handle == INVALID_HANDLE_VALUE ? nullptr : newPipe(handle, true);
}

// Waits for an overlapped operation within timeoutMs; one that does not finish is cancelled.
// True when it finished well, with the bytes it moved in *moved.
bool finish(Pipe* pipe, OVERLAPPED* operation, uint32_t timeoutMs, DWORD* moved) {
    if (WaitForSingleObject(pipe->event, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(pipe->handle, operation);
        // Waits for the cancellation; an operation that finished meanwhile counts.
        return GetOverlappedResult(pipe->handle, operation, moved, TRUE) != 0;
    }
    return GetOverlappedResult(pipe->handle, operation, moved, FALSE) != 0;
}

InstanceClaim claim(const char* key, void** endpoint) {
    if (ownToken == nullptr) {
        readOwnIdentity();
        buildSessionSecurity();
    }
    SECURITY_ATTRIBUTES* security = sessionOnly();
    if (security == nullptr || ownToken->userText.empty()) return InstanceClaim::Unavailable;
    HANDLE mutex = CreateMutexA(security, FALSE, objectName("Local\\trellane-", key).c_str());
    // Refused: an object of that name that this session may not open.
    if (mutex == nullptr) return InstanceClaim::Unavailable;
    DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_TIMEOUT) {
        CloseHandle(mutex);
        return InstanceClaim::Taken;
    }
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return InstanceClaim::Unavailable;
    }
    // The mutex stays owned, its handle open, until the process ends: that is the claim.
    std::string name = objectName("\\\\.\\pipe\\trellane-", key);
    Pipe* first = newPipeInstance(name, true);
    // Never freed: the endpoint serves until the process ends.
    if (first != nullptr) *endpoint = new Endpoint{name, first};
    return InstanceClaim::Owner;
}

InstanceConnect connectTo(const char* key, void** connection) {
    // The server may identify this client, never act as it.
    HANDLE handle = CreateFileA(
        objectName("\\\\.\\pipe\\trellane-", key).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // Not there yet (the owner is opening it), or every instance busy with a client.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PIPE_BUSY)
            return InstanceConnect::NotListening;
        return InstanceConnect::Refused;
    }
    Pipe* pipe = newPipe(handle, false);
    if (pipe == nullptr) return InstanceConnect::Refused;
    *connection = pipe;
    return InstanceConnect::Connected;
}

DWORD peerProcess(Pipe* pipe) {
    ULONG id = 0;
    BOOL known = pipe->serverEnd ? GetNamedPipeClientProcessId(pipe->handle, &id)
                                 : GetNamedPipeServerProcessId(pipe->handle, &id);
    return known ? id : 0;
}

bool peerIsSameUser(void* connection) {
    DWORD id = peerProcess(static_cast<Pipe*>(connection));
    if (id == 0) return false;
    if (id == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return false;
    HANDLE token = nullptr;
    bool same = false;
    if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
        PSID peer = userOf(tokenInformation(token, TokenUser));
        same = peer != nullptr && ownToken->userSid != nullptr && EqualSid(peer, ownToken->userSid);
        CloseHandle(token);
    }
    CloseHandle(process);
    return same;
}

// The user started this launch, so it may bring a window to the front; it passes that on to
// the running instance, which is where the user's document opens.
void allowPeerToFront(void* connection) {
    DWORD id = peerProcess(static_cast<Pipe*>(connection));
    if (id != 0) AllowSetForegroundWindow(id);
}

void* acceptClient(void* handle, uint32_t timeoutMs, bool* failed) {
    auto* endpoint = static_cast<Endpoint*>(handle);
    if (endpoint->listening == nullptr) {
        endpoint->listening = newPipeInstance(endpoint->name, false);
        if (endpoint->listening == nullptr) {
            *failed = true;
            return nullptr;
        }
    }
    Pipe* pipe = endpoint->listening;
    bool connected = false;
    if (!pipe->connectPending) {
        pipe->connecting = {};
        pipe->connecting.hEvent = pipe->event;
        ResetEvent(pipe->event);
        if (ConnectNamedPipe(pipe->handle, &pipe->connecting)) {
            connected = true;
        } else {
            DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                connected = true;
            } else if (error == ERROR_IO_PENDING) {
                pipe->connectPending = true;
            } else {
                // A client that came and went already (ERROR_NO_DATA), or a broken instance:
                // a new instance takes its place in the next round.
                closePipe(pipe);
                endpoint->listening = nullptr;
                if (error != ERROR_NO_DATA) *failed = true;
                return nullptr;
            }
        }
    }
    if (!connected) {
        if (WaitForSingleObject(pipe->event, timeoutMs) != WAIT_OBJECT_0) return nullptr;
        pipe->connectPending = false;
        DWORD unused = 0;
        if (!GetOverlappedResult(pipe->handle, &pipe->connecting, &unused, FALSE)) {
            closePipe(pipe);
            endpoint->listening = nullptr;
            return nullptr;
        }
    }
    // The next client connects to a new instance while this one is served.
    endpoint->listening = newPipeInstance(endpoint->name, false);
    return pipe;
}

long readSome(void* connection, void* buffer, size_t size, uint32_t timeoutMs) {
    auto* pipe = static_cast<Pipe*>(connection);
    OVERLAPPED reading{};
    reading.hEvent = pipe->event;
    ResetEvent(pipe->event);
    DWORD got = 0;
    DWORD wanted = size > kPipeBufferSize ? kPipeBufferSize : static_cast<DWORD>(size);
    if (!ReadFile(pipe->handle, buffer, wanted, &got, &reading)) {
        DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) return 0;
        if (error != ERROR_IO_PENDING) return -1;
        if (!finish(pipe, &reading, timeoutMs, &got))
            return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long>(got);
}

bool sendAll(void* connection, const void* data, size_t size, uint32_t timeoutMs) {
    auto* pipe = static_cast<Pipe*>(connection);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        OVERLAPPED writing{};
        writing.hEvent = pipe->event;
        ResetEvent(pipe->event);
        DWORD chunk = size > kPipeBufferSize ? kPipeBufferSize : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(pipe->handle, next, chunk, &written, &writing)) {
            if (GetLastError() != ERROR_IO_PENDING) return false;
            ULONGLONG now = GetTickCount64();
            DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
            if (!finish(pipe, &writing, left, &written)) return false;
        }
        if (written == 0) return false;
        next += written;
        size -= written;
    }
    return true;
}

void closeConnection(void* connection) {
    closePipe(static_cast<Pipe*>(connection));
}

uint64_t now() {
    return GetTickCount64();
}

void sleepFor(uint32_t ms) {
    Sleep(ms);
}

const InstanceChannel kChannel{claim,        connectTo, peerIsSameUser, allowPeerToFront,
                               acceptClient, readSome,  sendAll,        closeConnection,
                               now,          sleepFor};

struct ThreadStart {
    void (*body)(void*);
    void* parameter;
};

DWORD WINAPI threadStart(void* start) {
    auto* call = static_cast<ThreadStart*>(start);
    call->body(call->parameter);
    return 0;
}

std::string utf8(const wchar_t* text, int length) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &result[0], size, nullptr, nullptr);
    return result;
}

}  // namespace

const InstanceChannel& instanceChannel() {
    return kChannel;
}

std::string instanceSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return std::to_string(session);
}

std::string workingFolder() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return "";
    std::vector<wchar_t> folder(size);
    DWORD length = GetCurrentDirectoryW(size, folder.data());
    if (length == 0 || length >= size) return "";
    return utf8(folder.data(), static_cast<int>(length));
}

bool startThread(void (*body)(void*), void* parameter) {
    // Never freed: the thread runs until the process ends.
    auto* start = new ThreadStart{body, parameter};
    HANDLE thread = CreateThread(nullptr, 0, threadStart, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace trellane::platform
