// The JDK whose jdeps and jlink make a Linux image's runtime: --jdk, else JAVA_HOME, else the
// one of the jlink on the PATH. Its jlink links from the JDK's jmods/, or, in JDK builds of
// version 24 and later that ship none, from the JDK's own run-time image.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// jdeps's and jlink's time limit: they take well under a minute on the largest applications;
// ten leave room for a busy machine, and a run that hangs still ends.
constexpr unsigned kJdkToolTimeoutSeconds = 600;

struct JdkTools {
    std::string home;
    std::string javaVersion;  // from its release file
    int featureVersion = 0;
    bool hasJmods = false;             // false: jlink links from the JDK's run-time image
    std::vector<std::string> modules;  // the JDK's modules, from its release file
};

// Refuses when no JDK with jdeps, jlink and its modules (jmods/ or a run-time image) is
// found, saying where it looked.
JdkTools locateJdk(const std::string& given);

// The modules a runtime for these jars needs: java.base, what jdeps finds in the jars, the
// modules applications load only through services (which jdeps cannot see: locale data,
// elliptic-curve cryptography, extra charsets, the zip file system) and the added ones;
// sorted, each once. When jdeps cannot list them (a modular jar whose own dependency is not
// in the input), warns, naming the jar where jdeps tells which, and takes the modules the
// java command resolves for an application on the class path instead. jmods is the folder
// the runtime is linked from (another system's JDK's); empty: the JDK's own.
std::vector<std::string> runtimeModules(const JdkTools& jdk, const std::vector<std::string>& jars,
                                        const std::vector<std::string>& addModules,
                                        const std::string& jmods = "");

// The modules of the first kind a jdeps run can miss, always linked in when the JDK has them.
extern const char* const kServiceModules[4];

}  // namespace trellane
