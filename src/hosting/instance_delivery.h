// How the instance's server hands a later launch to the application: through the runtime
// library's SingleInstance class, which queues each launch for the application's handler. The
// launch thread finds the class once the JVM exists; the server thread, attached to the JVM as
// a daemon under the name "trellane-single-instance", calls it for every message.
#pragma once

#include <jni.h>

#include "instance/instance_message.h"

namespace trellane {

constexpr char kSingleInstanceClass[] = "morvantic/trellane/launcher/SingleInstance";

// On the launch thread, before main runs: finds the class and its static
// received(String workingFolder, String[] arguments). With a runtime library that lacks it,
// says so on standard error; the application starts either way, and nothing is delivered.
void prepareInstanceDelivery(JavaVM* vm, JNIEnv* env);

// On the server thread: whether prepareInstanceDelivery has run.
bool instanceDeliveryReady();

// On the server thread: calls received with the message. A failure (the JVM out of memory)
// loses this message only; no exception reaches the application.
void deliverInstanceMessage(const InstanceMessage& message);

}  // namespace trellane
