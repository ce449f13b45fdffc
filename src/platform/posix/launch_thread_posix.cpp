#include <pthread.h>
#include <unistd.h>

#include "common/fail_fatal.h"
#include "platform/platform.h"

namespace trellane::platform {

namespace {

void* launchThreadStart(void* body) {
    reinterpret_cast<void (*)()>(body)();
    return nullptr;
}

// The JVM needs room on the thread that creates it for its guard zones and its own start:
// below a few hundred KiB creation fails or the process dies of SIGSEGV without a word. On
// Windows the stack's reservation never drops below the executable's 1 MiB, so the same
// floor here gives a stamped size the same effect on both platforms. It is also the size 0
// stands for, as on Windows, and the size the java command gives main's thread: the pthread
// default would follow the shell's stack limit, and an application that runs under java
// would overflow its stack under a small "ulimit -s".
constexpr size_t kMinimumLaunchStack = 1024 * 1024;

// pthreads take the whole stack size up front and refuse sizes off page boundaries.
size_t usableStackSize(uint32_t requested) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t size = (static_cast<size_t>(requested) + page - 1) / page * page;
    return size < kMinimumLaunchStack ? kMinimumLaunchStack : size;
}

}  // namespace

void runOnLaunchThread(uint32_t stackSize, void (*body)()) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, usableStackSize(stackSize));
    pthread_t thread;
    if (pthread_create(&thread, &attributes, launchThreadStart, reinterpret_cast<void*>(body)) != 0)
        failFatal("CreateThread failed.");
    pthread_join(thread, nullptr);
}

}  // namespace trellane::platform
