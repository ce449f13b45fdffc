#pragma once

#include <jni.h>

#include <string>

namespace trellane {

constexpr char kBootstrapClass[] = "morvantic/trellane/launcher/Launcher";

struct MainEntry {
    jclass mainClass;
    jmethodID mainMethodId;
};

// Lets the bootstrap class resolve the application's main class and main method. Ends the
// process with status 1 when a step fails.
MainEntry resolveMainEntry(JNIEnv* env, const std::string& mainClassName);

}  // namespace trellane
