#include "hosting/argument_array.h"

#include "hosting/java_string.h"
#include "hosting/jni_check.h"

namespace trellane {

jobjectArray buildArgumentArray(JNIEnv* env, const StringList& defaultArguments,
                                int argumentCount, const char* const* arguments) {
    jsize defaults = static_cast<jsize>(defaultArguments.size());
    jsize total = defaults + (argumentCount > 0 ? argumentCount : 0);
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array = env->NewObjectArray(total, stringClass, nullptr);
    for (jsize i = 0; i < defaults; ++i)
        env->SetObjectArrayElement(array, i, newJavaString(env, defaultArguments[i].c_str()));
    for (jsize j = 0; j < argumentCount; ++j)
        env->SetObjectArrayElement(array, defaults + j, newJavaString(env, arguments[j]));
    // One test for the whole array: a step that ran out of memory leaves an exception
    // pending, and main must not be called with a half-built array.
    exitOnPendingException(env);
    return array;
}

}  // namespace trellane
