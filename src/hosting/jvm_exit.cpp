#include "hosting/jvm_exit.h"

#include <cstdlib>

namespace trellane {

void exitThroughJvm(JNIEnv* env, int status) {
    // A null class or method means an exception is pending: no further call into the JVM.
    jclass system = env->FindClass("java/lang/System");
    jmethodID exit = system != nullptr ? env->GetStaticMethodID(system, "exit", "(I)V") : nullptr;
    if (exit != nullptr) env->CallStaticVoidMethod(system, exit, static_cast<jint>(status));
    // Back here only when the JVM could not exit (a security manager refused, say): what it
    // threw would tell the user nothing they could act on, and the status is already decided.
    std::exit(status);
}

}  // namespace trellane
