#pragma once

#include <jni.h>

namespace trellane {

constexpr char kUpdaterClass[] = "morvantic/trellane/updater/OnlineUpdater";

extern JNINativeMethod updaterNativeMethods[];
constexpr jint kUpdaterNativeMethodCount = 1;

// Registers the native method with the updater class when the class is on the class path.
void registerUpdaterNatives(JNIEnv* env);

}  // namespace trellane

extern "C" JNIEXPORT void JNICALL
Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates(JNIEnv* env, jobject receiver);
