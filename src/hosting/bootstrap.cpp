#include "hosting/bootstrap.h"

#include "common/fail_fatal.h"
#include "hosting/java_string.h"
#include "hosting/jni_check.h"

namespace trellane {

MainEntry resolveMainEntry(JNIEnv* env, const std::string& mainClassName) {
    jclass launcher = env->FindClass(kBootstrapClass);
    exitOnPendingException(env);
    jmethodID prepare = env->GetStaticMethodID(launcher, "prepare", "(Ljava/lang/String;)V");
    exitOnPendingException(env);
    env->CallStaticVoidMethod(launcher, prepare, newJavaString(env, mainClassName.c_str()));
    exitOnPendingException(env);
    jfieldID methodField = env->GetStaticFieldID(launcher, "mainMethod", "Ljava/lang/reflect/Method;");
    exitOnPendingException(env);
    jfieldID classField = env->GetStaticFieldID(launcher, "clazz", "Ljava/lang/Class;");
    exitOnPendingException(env);
    jobject method = env->GetStaticObjectField(launcher, methodField);
    exitOnPendingException(env);
    jobject mainClass = env->GetStaticObjectField(launcher, classField);
    exitOnPendingException(env);
    // A bootstrap class that returns without filling both fields would otherwise crash the
    // JVM in FromReflectedMethod or in the call of main.
    if (method == nullptr || mainClass == nullptr)
        failFatal("The bootstrap class found no main method for %s.", mainClassName.c_str());
    jmethodID mainMethodId = env->FromReflectedMethod(method);
    exitOnPendingException(env);
    return MainEntry{static_cast<jclass>(mainClass), mainMethodId};
}

}  // namespace trellane
