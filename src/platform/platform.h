// The operating system, as the core sees it. src/platform/win32 and src/platform/posix each
// define all of this; nothing else in src/ calls the system directly.
#pragma once

#include <cstdint>
#include <string>

#include "config/launch_config.h"
#include "hosting/splash_screen.h"
#include "instance/instance_channel.h"
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

// Single-instance mode only (nothing else calls these):
// the channel between launches of one application, for one user (Windows: a Local\ mutex
// and a named pipe that only the logon session can open; Linux: an abstract socket checked
// with the peer's credentials);
const InstanceChannel& instanceChannel();
// the session the launch runs in, as text (Windows: its session number; Linux: the display,
// WAYLAND_DISPLAY else DISPLAY, empty without one);
std::string instanceSession();
// the working folder as UTF-8, empty when the system cannot say;
std::string workingFolder();
// and a thread of the launcher's own for the instance's server, which runs body(parameter)
// until the process ends. False when it cannot be started.
bool startThread(void (*body)(void*), void* parameter);

}  // namespace trellane::platform
