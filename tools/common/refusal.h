// How the host tools stop: a message on stderr and an exit status, before anything is
// written (an output appears only once it is complete).
#pragma once

namespace trellane {

// The name that starts every message and the pointer to --help: "trellane-stamp",
// "trellane-package". Set once, first thing in main.
void setToolName(const char* name);
const char* toolName();

// Runs just before a refusal ends the process, so a command can undo what it began. One at a
// time; nullptr clears it. Temporary paths (common/temporary_path.h) need none: a refusal
// removes them after this cleanup.
void setRefusalCleanup(void (*cleanup)());

// The command line is fine, but the input cannot be used as asked: the tool's name, ": " and
// the message, exit status 1.
[[noreturn]] void refuse(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The command line itself is wrong: the message and a pointer to --help, exit status 2.
[[noreturn]] void refuseUsage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trellane
