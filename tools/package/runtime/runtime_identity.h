// What a folder's Java runtime is built for, told by its JVM library: jlink writes a release
// file with only the version and the modules, so the binaries are what says the system and
// the processor.
#pragma once

#include <string>

namespace trellane {

enum class RuntimeSystem { None, Windows, Linux, MacOs };

struct RuntimeIdentity {
    RuntimeSystem system = RuntimeSystem::None;  // None: no JVM library found
    std::string jvmLibrary;  // where it was found, relative: "bin/server/jvm.dll"
    std::string processor;   // "x86-64", "x86 (32-bit)", "ARM64", ...; empty when unknown
    bool x86_64 = false;     // a library the launcher can load: 64-bit x86, of its system's kind
    std::string problem;     // the library is damaged or not of its kind: "is not ..."
};

// Looks for bin/server/jvm.dll, lib/server/libjvm.so and a macOS libjvm.dylib under root and
// reads the first one found.
RuntimeIdentity identifyRuntime(const std::string& root);

// An archive unpacked as it comes puts the runtime one folder down (jdk-21.0.2+13/): the
// subfolder of folder that has system's JVM library where the launcher looks for it, or empty.
std::string runtimeBelow(const std::string& folder, RuntimeSystem system);

// "Windows", "Linux", "macOS"
const char* systemName(RuntimeSystem system);

// The runtime's release file names its system so (OS_NAME): "Windows", "Linux", "Darwin".
const char* releaseSystemName(RuntimeSystem system);

// Whether an OS_ARCH value of a release file names the processor the library is for.
bool releaseArchMatches(const std::string& osArch, const RuntimeIdentity& identity);

}  // namespace trellane
