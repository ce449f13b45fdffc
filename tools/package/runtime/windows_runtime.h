// The Java runtime of a Windows image, linked here: the build JDK's jlink links another
// system's modules when they are of its own feature version, so an unpacked Windows JDK's
// jmods/ give a trimmed Windows runtime without a Windows machine.
#pragma once

#include <string>
#include <vector>

#include "package/inputs/module_path.h"
#include "package/runtime/jdk_tools.h"

namespace trellane {

// The Windows JDK of --runtime-jdk.
struct WindowsJdk {
    std::string home;
    std::string jmods;        // home + "/jmods"
    std::string javaVersion;  // its release file's, else its java.base's; may be empty
    int featureVersion = 0;
};

// Refuses, saying what to give instead, unless home is an unpacked Windows x64 JDK with jmods/
// whose feature version is the build JDK's.
WindowsJdk checkWindowsJdk(const std::string& home, const JdkTools& buildJdk);

// Links a runtime of these modules from the Windows JDK's jmods with the build JDK's jlink (or
// takes the cached one) and lays it out in image, which must not exist yet, as a Windows image
// holds it (bin/server/ in bin/). jlinkOptions replace nothing here: they are the whole list.
void linkWindowsRuntime(const JdkTools& buildJdk, const WindowsJdk& windowsJdk,
                        const std::vector<std::string>& modules,
                        const std::vector<std::string>& jlinkOptions, const std::string& image,
                        const std::vector<ModuleEntry>& appModules = {});

}  // namespace trellane
