// The operating system, as the core sees it. src/platform/win32 and src/platform/posix each
// define all of this; nothing else in src/ calls the system directly.
#pragma once

#include <cstdint>

#include "config/launch_config.h"
#include "hosting/splash_screen.h"
#include "options/option_primitives.h"

namespace trellane::platform {

// Full path of the running executable (_get_pgmptr; /proc/self/exe).
const char* executablePath();

// Sets a process environment variable; what the JVM and its children inherit.
void setEnv(const char* name, const char* value);

// Removes a variable: absent afterwards, not empty.
void removeEnv(const char* name);

// Console set-up, known-folder variables and HOME: what the entry point does to the process
// before the launch sequence starts.
void prepareStartupEnvironment(const LaunchConfig& config);

// Runs body on a new launch thread with the given stack size (0: the platform default) and
// waits for it without a time limit. Ends the launch when the thread cannot be created.
void runOnLaunchThread(uint32_t stackSize, void (*body)());

const OptionPrimitives& optionPrimitives();
// The runtime's splash-screen library and reading files (a splash image in a jar).
const SplashPrimitives& splashPrimitives();
const PathConventions& pathConventions();

}  // namespace trellane::platform
