// How trellane-stamp stops: a message on stderr and an exit status, before anything is
// written (the output file appears only once it is complete).
#pragma once

namespace trellane {

// The command line is fine, but the launcher or the configuration cannot be stamped or
// shown: "trellane-stamp: " and the message, exit status 1.
[[noreturn]] void refuse(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The command line itself is wrong: the message and a pointer to --help, exit status 2.
[[noreturn]] void refuseUsage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trellane
