#include "hosting/jni_check.h"

#include <cstdlib>

#include "hosting/jvm_exit.h"

namespace trellane {

namespace {

// ExceptionDescribe prints the pending exception with its stack trace and clears it.
bool describedPendingException(JNIEnv* env) {
    if (env->ExceptionOccurred() == nullptr) return false;
    env->ExceptionDescribe();
    return true;
}

}  // namespace

void exitOnPendingException(JNIEnv* env) {
    if (describedPendingException(env)) std::exit(1);
}

void exitThroughJvmOnPendingException(JNIEnv* env) {
    if (describedPendingException(env)) exitThroughJvm(env, 1);
}

}  // namespace trellane
