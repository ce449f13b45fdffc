// Ctrl-C, a terminal hang-up or a kill while a command works: it stops the programs it runs
// (with whatever they started), removes what it began to write (the refusal cleanup and the
// temporary paths) and then ends by the same signal, as if it had not caught it.
#pragma once

namespace trellane {

// SIGINT, SIGTERM and SIGHUP only note that they came; the work stops at its next check, and
// a running program (common/child_process.h) at once. A signal the process ignores (nohup)
// stays ignored.
void catchInterruptions();

// What removes the work begun (the same as the refusal cleanup); nullptr clears it.
void setInterruptionCleanup(void (*cleanup)());

// The signal that came, or 0.
int interruptionSignal();

// When a signal came: the cleanup, the temporary paths' removal, a line on stderr, and the
// end of the process by that signal. Called between the steps and between files, before an
// output is put in place, and when a program was stopped for it.
void stopIfInterrupted();

}  // namespace trellane
