#include "hosting/updater_natives.h"

// The launcher has no update service of its own: the check returns at once. It takes no
// state, so any Java thread may call it, as a static or an instance method.
extern "C" JNIEXPORT void JNICALL
Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates(JNIEnv*, jobject) {}

namespace trellane {

JNINativeMethod updaterNativeMethods[] = {
    {const_cast<char*>("nCheckForUpdates"), const_cast<char*>("()V"),
     reinterpret_cast<void*>(&Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates)},
};

void registerUpdaterNatives(JNIEnv* env) {
    jclass updater = env->FindClass(kUpdaterClass);
    if (updater == nullptr) {
        env->ExceptionClear();  // the updater is optional
        return;
    }
    env->RegisterNatives(updater, updaterNativeMethods, kUpdaterNativeMethodCount);
    // An updater class without the native method leaves NoSuchMethodError pending; the
    // application still starts, as it would without the updater.
    env->ExceptionClear();
}

}  // namespace trellane
