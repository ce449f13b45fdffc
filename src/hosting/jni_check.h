#pragma once

#include <jni.h>

namespace trellane {

// After a JNI step before the application's main runs: a pending exception is described by
// the JVM on standard error and ends the process with status 1.
void exitOnPendingException(JNIEnv* env);

// The same once main has run, ending through the JVM's own exit so that the application's
// shutdown hooks run (exitThroughJvm).
void exitThroughJvmOnPendingException(JNIEnv* env);

}  // namespace trellane
