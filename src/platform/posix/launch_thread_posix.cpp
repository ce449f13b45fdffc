#include <pthread.h>
#include <unistd.h>

#include <climits>

#include "common/fail_fatal.h"
#include "platform/platform.h"

namespace trellane::platform {

namespace {

void* launchThreadStart(void* body) {
    reinterpret_cast<void (*)()>(body)();
    return nullptr;
}

// pthreads take the whole stack size up front and refuse sizes below PTHREAD_STACK_MIN or
// off page boundaries; round up so every configured size gives at least that much stack.
size_t usableStackSize(uint32_t requested) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t size = (static_cast<size_t>(requested) + page - 1) / page * page;
    const size_t minimum = static_cast<size_t>(PTHREAD_STACK_MIN);
    return size < minimum ? minimum : size;
}

}  // namespace

void runOnLaunchThread(uint32_t stackSize, void (*body)()) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize != 0) pthread_attr_setstacksize(&attributes, usableStackSize(stackSize));
    pthread_t thread;
    if (pthread_create(&thread, &attributes, launchThreadStart, reinterpret_cast<void*>(body)) != 0)
        failFatal("CreateThread failed.");
    pthread_join(thread, nullptr);
}

}  // namespace trellane::platform
