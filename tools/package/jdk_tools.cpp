#include "package/jdk_tools.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "common/refusal.h"
#include "common/child_process.h"
#include "package/file_tree.h"
#include "package/runtime_release.h"
#include "common/text_split.h"

namespace trellane {

const char* const kServiceModules[4] = {"jdk.charsets", "jdk.crypto.ec", "jdk.localedata",
                                        "jdk.zipfs"};

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool isJdk(const std::string& home) {
    return exists(home + "/bin/jlink") && exists(home + "/bin/jdeps") && exists(home + "/jmods");
}

// The JDK of the jlink on the PATH: its real path, two levels up.
std::string jdkOnPath() {
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string candidate = list.substr(start, end - start) + "/jlink";
        start = end + 1;
        char resolved[PATH_MAX];
        if (access(candidate.c_str(), X_OK) == 0 && realpath(candidate.c_str(), resolved)) {
            std::string home = resolved;
            home = home.substr(0, home.rfind('/'));  // bin
            return home.substr(0, home.rfind('/'));
        }
    }
    return "";
}

void addModuleList(const std::string& text, std::vector<std::string>& modules) {
    for (const std::string& name : splitWords(text, ", \t\r\n")) modules.push_back(name);
}

}  // namespace

JdkTools locateJdk(const std::string& given) {
    JdkTools jdk;
    const char* javaHome = std::getenv("JAVA_HOME");
    if (!given.empty()) {
        if (!isJdk(given))
            refuse(
                "--jdk %s is not a JDK with bin/jlink, bin/jdeps and jmods/; give one, or a "
                "ready runtime with --runtime-image",
                given.c_str());
        jdk.home = given;
    } else if (javaHome && isJdk(javaHome)) {
        jdk.home = javaHome;
    } else {
        jdk.home = jdkOnPath();
        if (jdk.home.empty() || !isJdk(jdk.home))
            refuse(
                "no JDK to link the runtime with (none at JAVA_HOME, no jlink on the PATH "
                "with jmods/ beside it): give --jdk DIR, or a ready runtime with "
                "--runtime-image");
    }
    std::string text, problem;
    if (readWholeFile(jdk.home + "/release", text, problem))
        jdk.javaVersion = parseReleaseFile(text)["JAVA_VERSION"];
    jdk.featureVersion = javaFeatureVersion(jdk.javaVersion);
    return jdk;
}

std::vector<std::string> runtimeModules(const JdkTools& jdk, const std::vector<std::string>& jars,
                                        const std::vector<std::string>& addModules,
                                        const std::string& jmods) {
    std::vector<std::string> modules{"java.base"};
    if (!jars.empty()) {
        // A short run: the quick compiler and the serial collector halve its time.
        std::vector<std::string> arguments{
            jdk.home + "/bin/jdeps",
            "-J-XX:TieredStopAtLevel=1",
            "-J-XX:+UseSerialGC",
            "--print-module-deps",
            "--ignore-missing-deps",
            "-q",
            "--multi-release",
            std::to_string(jdk.featureVersion > 9 ? jdk.featureVersion : 9)};
        arguments.insert(arguments.end(), jars.begin(), jars.end());
        ProgramRun jdeps = runProgramWithLimit(arguments, kJdkToolTimeoutSeconds);
        if (!jdeps.succeeded())
            refuse(
                "jdeps could not list the modules the jars need (%s):\n%s\nfix the jars, or "
                "give a runtime you linked yourself with --runtime-image",
                describeEnd(jdeps, kJdkToolTimeoutSeconds).c_str(), outputTail(jdeps.error + jdeps.output).c_str());
        addModuleList(jdeps.output, modules);
    }
    for (const char* module : kServiceModules)
        if (exists((jmods.empty() ? jdk.home + "/jmods" : jmods) + "/" + module + ".jmod"))
            modules.push_back(module);
    for (const std::string& added : addModules) addModuleList(added, modules);
    std::sort(modules.begin(), modules.end());
    modules.erase(std::unique(modules.begin(), modules.end()), modules.end());
    return modules;
}

}  // namespace trellane
