#pragma once

namespace trellane {

// Writes the formatted text, then "\r" and "\n", to standard error and exits with status 1.
// Text from the user or the JVM goes in as a "%s" argument, never as the format.
[[noreturn]] void failFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trellane
