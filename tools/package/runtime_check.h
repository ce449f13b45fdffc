// Whether a folder is a Java runtime the image's launcher can start: the target's system and
// processor by the release file, and the JVM library and module image where the launcher and
// the JVM look for them. Checked before anything is copied.
#pragma once

#include <string>

#include "package/package_request.h"

namespace trellane {

struct RuntimeFacts {
    std::string javaVersion;  // the release file's JAVA_VERSION, e.g. "17.0.15"
    int featureVersion = 0;   // 17
};

// Refuses, saying what is wrong and what to give instead, unless runtime is a Java runtime
// for target.
RuntimeFacts checkRuntime(const std::string& runtime, ImageTarget target);

const char* targetName(ImageTarget target);  // "Windows", "Linux"

}  // namespace trellane
