#pragma once

#include <jni.h>

namespace trellane {

// Offers an exception thrown out of main to the uncaught-exception handler the application
// installed (on the main thread, or the default one), as the java command does: the handler
// runs on the launch thread through the bootstrap class, and may end the process itself.
// False, with nothing done, when the application installed none, or when the bootstrap class
// cannot pass it on (one without passToHandler). When the bootstrap call fails, ends the
// process with status 1 through the JVM's exit.
bool passToApplicationHandler(JNIEnv* env, jthrowable thrown);

// Describes an exception thrown out of main: the bootstrap class's text, the stack trace on
// standard error, and an error box unless the application is a console application. When a
// step of the report fails, ends the process with status 1 itself, through the JVM's exit as
// the launch sequence does after the report.
void reportUncaughtException(JNIEnv* env, jthrowable thrown);

}  // namespace trellane
