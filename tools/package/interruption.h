// Ctrl-C, a terminal hang-up or a kill while the command works: it removes what it began to
// write (the refusal cleanup) and then ends by the same signal, as if it had not caught it.
#pragma once

namespace trellane {

// SIGINT, SIGTERM and SIGHUP only note that they came; the work stops at its next check.
void catchInterruptions();

// What removes the work begun (the same as the refusal cleanup); nullptr clears it.
void setInterruptionCleanup(void (*cleanup)());

// The signal that came, or 0.
int interruptionSignal();

// When a signal came: the cleanup, a line on stderr, and the end of the process by that
// signal. Called between the steps and between files, and while a child process runs.
void stopIfInterrupted();

}  // namespace trellane
