#include "hosting/exception_report.h"

#include <string>

#include "common/error_box.h"
#include "config/launch_config.h"
#include "hosting/bootstrap.h"
#include "hosting/jni_check.h"

namespace trellane {

namespace {

const char kCaption[] = "The application has experienced an internal error and must quit.";

std::string describeException(JNIEnv* env, jthrowable thrown) {
    jclass launcher = env->FindClass(kBootstrapClass);
    exitThroughJvmOnPendingException(env);
    jmethodID fromException = env->GetStaticMethodID(
        launcher, "fromException", "(Ljava/lang/Throwable;)Ljava/lang/String;");
    exitThroughJvmOnPendingException(env);
    jstring text = static_cast<jstring>(env->CallStaticObjectMethod(launcher, fromException, thrown));
    exitThroughJvmOnPendingException(env);
    // GetStringUTFChars would crash on null; the stack trace still tells what happened.
    if (text == nullptr) return "The application's exception has no description.";
    const char* chars = env->GetStringUTFChars(text, nullptr);
    exitThroughJvmOnPendingException(env);
    std::string report = chars;
    env->ReleaseStringUTFChars(text, chars);
    return report;
}

}  // namespace

bool passToApplicationHandler(JNIEnv* env, jthrowable thrown) {
    jclass launcher = env->FindClass(kBootstrapClass);
    exitThroughJvmOnPendingException(env);
    jmethodID passToHandler =
        env->GetStaticMethodID(launcher, "passToHandler", "(Ljava/lang/Throwable;)Z");
    if (passToHandler == nullptr) {
        // An older bootstrap class: the launcher's own report, as before it had the method.
        env->ExceptionClear();
        return false;
    }
    jboolean passed = env->CallStaticBooleanMethod(launcher, passToHandler, thrown);
    exitThroughJvmOnPendingException(env);
    return passed == JNI_TRUE;
}

void reportUncaughtException(JNIEnv* env, jthrowable thrown) {
    std::string report = describeException(env, thrown);
    jclass throwable = env->FindClass("java/lang/Throwable");
    jmethodID printStackTrace = env->GetMethodID(throwable, "printStackTrace", "()V");
    env->CallVoidMethod(thrown, printStackTrace);
    exitThroughJvmOnPendingException(env);
    if (!launchConfig.isConsoleApp) showErrorBox(kCaption, report.c_str());
}

}  // namespace trellane
