#include <windows.h>

#include "common/fail_fatal.h"
#include "platform/platform.h"

namespace trellane::platform {

namespace {

// The parameter is the body to run.
DWORD WINAPI launchThreadStart(void* parameter) {
    reinterpret_cast<void (*)()>(parameter)();
    return 0;
}

}  // namespace

// Creation flags 0 make the size the stack's initial commit; Windows widens the reservation
// beyond the image's default when the commit needs it. The handle stays open: the body ends
// the process.
void runOnLaunchThread(uint32_t stackSize, void (*body)()) {
    HANDLE thread = CreateThread(nullptr, static_cast<SIZE_T>(stackSize), launchThreadStart,
                                 reinterpret_cast<void*>(body), 0, nullptr);
    if (thread == nullptr) failFatal("CreateThread failed.");
    WaitForSingleObject(thread, INFINITE);
}

}  // namespace trellane::platform
