// How the host tools stop: a message on stderr and an exit status, before anything is
// written (an output appears only once it is complete).
#pragma once

#include <cstdarg>

namespace trellane {

// The name that starts every message and the pointer to --help: "trellane-stamp",
// "trellane-package". Set once, first thing in main.
void setToolName(const char* name);
const char* toolName();

// Prints "tool: ", kind ("warning: ", or nothing) and the message on stderr as one line, or as
// the lines the message itself breaks into: any other control character in it (a file name
// holding ESC, a child's output) is shown as \xNN, never acted on by the terminal.
void printToolLine(const char* kind, const char* format, va_list arguments);

// A note or a warning (kind "note: " or "warning: ") printed as printToolLine prints it; the
// command goes on.
void notice(const char* kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

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
