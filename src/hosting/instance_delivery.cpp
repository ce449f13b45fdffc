#include "hosting/instance_delivery.h"

#include <atomic>
#include <cstdio>

#include "hosting/java_string.h"

namespace trellane {

namespace {

struct Receiver {
    JavaVM* vm;
    jclass runtimeClass;  // a global reference; null when the runtime library lacks the class
    jmethodID received;
};

// Written once by the launch thread, read by the server thread.
std::atomic<const Receiver*> receiver{nullptr};

// The server thread's own environment: it alone delivers, and stays attached.
JNIEnv* serverThreadEnvironment(JavaVM* vm) {
    static JNIEnv* env = nullptr;
    if (env == nullptr) {
        // A daemon: the JVM's end does not wait for it.
        JavaVMAttachArgs arguments{JNI_VERSION_1_8, const_cast<char*>("trellane-single-instance"),
                                   nullptr};
        void* attached = nullptr;
        if (vm->AttachCurrentThreadAsDaemon(&attached, &arguments) != JNI_OK) return nullptr;
        env = static_cast<JNIEnv*>(attached);
    }
    return env;
}

// The message as received's two arguments; false, with an exception pending, when the JVM
// cannot make them.
bool javaArguments(JNIEnv* env, const InstanceMessage& message, jstring& folder,
                   jobjectArray& arguments) {
    folder = newJavaString(env, message.workingFolder.c_str());
    if (folder == nullptr) return false;
    jclass stringClass = env->FindClass("java/lang/String");
    if (stringClass == nullptr) return false;
    const jsize count = static_cast<jsize>(message.arguments.size());
    arguments = env->NewObjectArray(count, stringClass, nullptr);
    if (arguments == nullptr) return false;
    for (jsize i = 0; i < count; ++i) {
        jstring argument = newJavaString(env, message.arguments[i].c_str());
        if (argument == nullptr) return false;
        env->SetObjectArrayElement(arguments, i, argument);
    }
    return true;
}

}  // namespace

void prepareInstanceDelivery(JavaVM* vm, JNIEnv* env) {
    jclass found = env->FindClass(kSingleInstanceClass);
    jmethodID received =
        found == nullptr
            ? nullptr
            : env->GetStaticMethodID(found, "received", "(Ljava/lang/String;[Ljava/lang/String;)V");
    jclass global = received == nullptr ? nullptr : static_cast<jclass>(env->NewGlobalRef(found));
    if (global == nullptr) {
        env->ExceptionClear();
        std::fputs(
            "The runtime library has no morvantic.trellane.launcher.SingleInstance: later "
            "launches of this application cannot reach it (package it with this version's "
            "trellane-runtime.jar).\r\n",
            stderr);
    }
    // Never freed: the server thread reads it until the process ends.
    receiver.store(new Receiver{vm, global, received}, std::memory_order_release);
}

bool instanceDeliveryReady() {
    return receiver.load(std::memory_order_acquire) != nullptr;
}

void deliverInstanceMessage(const InstanceMessage& message) {
    const Receiver* target = receiver.load(std::memory_order_acquire);
    if (target == nullptr || target->runtimeClass == nullptr) return;
    JNIEnv* env = serverThreadEnvironment(target->vm);
    if (env == nullptr) return;
    // Room for the working folder, each argument, the array and its class.
    if (env->PushLocalFrame(static_cast<jint>(message.arguments.size()) + 4) != JNI_OK) {
        env->ExceptionClear();
        return;
    }
    jstring folder = nullptr;
    jobjectArray arguments = nullptr;
    if (javaArguments(env, message, folder, arguments))
        env->CallStaticVoidMethod(target->runtimeClass, target->received, folder, arguments);
    // The runtime class queues and returns; what the JVM throws here (out of memory) costs
    // this message, and stays on this thread.
    if (env->ExceptionCheck()) env->ExceptionClear();
    env->PopLocalFrame(nullptr);
}

}  // namespace trellane
