#pragma once

#include <jni.h>

namespace trellane {

// After a JNI step: a pending exception is described by the JVM on standard error and ends
// the process with status 1.
void exitOnPendingException(JNIEnv* env);

}  // namespace trellane
