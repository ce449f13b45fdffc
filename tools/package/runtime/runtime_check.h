// Whether a folder is a Java runtime the image's launcher can start: the target's system and
// processor by its JVM library, which must be where the launcher looks for it, and a module
// image. Checked before anything is copied.
#pragma once

#include <string>
#include <vector>

#include "package/request/package_request.h"

namespace trellane {

struct RuntimeFacts {
    // the release file's JAVA_VERSION, else java.base's version in lib/modules, e.g.
    // "17.0.15"; empty when neither says
    std::string javaVersion;
    int featureVersion = 0;            // 17
    std::vector<std::string> modules;  // the release file's MODULES; empty when it says none
};

// Refuses, saying what is wrong and what to give instead, unless runtime is a Java runtime
// for target.
RuntimeFacts checkRuntime(const std::string& runtime, ImageTarget target);

const char* targetName(ImageTarget target);  // "Windows", "Linux"

// What to give instead, ending each refusal about the runtime.
std::string runtimeWanted(ImageTarget target);

}  // namespace trellane
