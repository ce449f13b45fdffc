// What the entry point does to the process before the launch sequence: console set-up, the
// application-data folder variables and HOME. The order is fixed here; the platform layer
// supplies the calls.
#pragma once

#include "config/launch_config.h"
#include "startup/known_folders.h"

namespace trellane {

struct StartupPrimitives {
    // UTF-8 code pages and escape sequences for the console the process inherited, if any.
    void (*setUpConsole)();
    KnownFolderPrimitives knownFolders;
    // getenv and _putenv ("NAME=value"; "NAME=" removes).
    const char* (*getEnv)(const char* name);
    void (*putEnv)(const char* assignment);
};

void prepareStartupEnvironment(const LaunchConfig& config, const StartupPrimitives& primitives);

}  // namespace trellane
