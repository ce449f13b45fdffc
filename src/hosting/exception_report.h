#pragma once

#include <jni.h>

namespace trellane {

// Describes an exception thrown out of main: the bootstrap class's text, the stack trace on
// standard error, and an error box unless the application is a console application. When a
// step of the report fails, ends the process with status 1 itself, through the JVM's exit as
// the launch sequence does after the report.
void reportUncaughtException(JNIEnv* env, jthrowable thrown);

}  // namespace trellane
