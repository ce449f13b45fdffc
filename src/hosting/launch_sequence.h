#pragma once

namespace trellane {

// Assembles the JVM options, creates the JVM, runs the application's main and ends the
// process: status 0 when main returned, 1 on every failure. Never returns.
[[noreturn]] void runLaunchSequence();

}  // namespace trellane
