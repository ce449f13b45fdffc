#include "hosting/jni_check.h"

#include <cstdlib>

namespace trellane {

void exitOnPendingException(JNIEnv* env) {
    if (env->ExceptionOccurred() == nullptr) return;
    env->ExceptionDescribe();
    std::exit(1);
}

}  // namespace trellane
