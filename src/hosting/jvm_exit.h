#pragma once

#include <jni.h>

namespace trellane {

// Ends the process once the application's main has run, through java.lang.System.exit: the
// JVM runs the application's shutdown hooks (a logger's last lines, a settings file, a lock)
// and halts without waiting for the application's other threads. The launch thread stays
// attached and the JVM is not destroyed. Only if that call fails (System or its exit cannot
// be found, exit throws or returns) does the C runtime's exit end the process, with the same
// status.
[[noreturn]] void exitThroughJvm(JNIEnv* env, int status);

}  // namespace trellane
