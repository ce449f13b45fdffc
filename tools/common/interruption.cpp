#include "common/interruption.h"

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "common/refusal.h"
#include "common/temporary_path.h"

namespace trellane {

namespace {

volatile sig_atomic_t caughtSignal = 0;
void (*currentCleanup)() = nullptr;

void noteSignal(int signal) {
    caughtSignal = signal;
}

}  // namespace

void catchInterruptions() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait for a child process returns at once, so the child can be stopped.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void setInterruptionCleanup(void (*cleanup)()) {
    currentCleanup = cleanup;
}

int interruptionSignal() {
    return caughtSignal;
}

void stopIfInterrupted() {
    int signal = caughtSignal;
    if (signal == 0) return;
    std::fprintf(stderr, "%s: interrupted (%s); removing what was written\n", toolName(),
                 strsignal(signal));
    if (void (*cleanup)() = currentCleanup) {
        currentCleanup = nullptr;
        setRefusalCleanup(nullptr);  // a refusal inside the cleanup must not run it again
        cleanup();
    }
    removeTemporaryPaths();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // not reached: the signal ends the process
}

}  // namespace trellane
