#include "package/runtime/jdk_tools.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/text_split.h"
#include "package/inputs/jar_file.h"
#include "package/runtime/runtime_release.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

const char* const kServiceModules[4] = {"jdk.charsets", "jdk.crypto.ec", "jdk.localedata",
                                        "jdk.zipfs"};

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// A JDK 24 or later may come without jmods/: its jlink then links from lib/modules.
bool isJdk(const std::string& home) {
    return exists(home + "/bin/jlink") && exists(home + "/bin/jdeps") &&
           (exists(home + "/jmods") || exists(home + "/lib/modules"));
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
                "--jdk %s is not a JDK with bin/jlink, bin/jdeps and its modules (jmods/, or "
                "lib/modules for a JDK whose jlink links from its run-time image); give one, "
                "or a ready runtime with --runtime-image",
                given.c_str());
        jdk.home = given;
    } else if (javaHome && isJdk(javaHome)) {
        jdk.home = javaHome;
    } else {
        jdk.home = jdkOnPath();
        if (jdk.home.empty() || !isJdk(jdk.home))
            refuse(
                "no JDK to link the runtime with (none at JAVA_HOME, no jlink on the PATH "
                "with jdeps and the JDK's modules beside it): give --jdk DIR, or a ready "
                "runtime with --runtime-image");
    }
    std::map<std::string, std::string> release = readReleaseFile(jdk.home);
    jdk.javaVersion = release["JAVA_VERSION"];
    jdk.modules = splitWords(release["MODULES"], " ");
    jdk.featureVersion = javaFeatureVersion(jdk.javaVersion);
    jdk.hasJmods = exists(jdk.home + "/jmods");
    return jdk;
}

namespace {

bool jdkHasModule(const JdkTools& jdk, const std::string& module) {
    if (jdk.hasJmods) return exists(jdk.home + "/jmods/" + module + ".jmod");
    return std::find(jdk.modules.begin(), jdk.modules.end(), module) != jdk.modules.end();
}

// The word of text that starts at position at.
std::string wordAt(const std::string& text, size_t at) {
    return text.substr(at, text.find_first_of(" ,\r\n", at) - at);
}

// What the user must complete when jdeps fails: it says "Module M not found, required by N"
// (as an error line, or in the message of the exception it dies of), and the jar that
// declares N is the one whose requirement the input lacks. Else jdeps's first line.
std::string jdepsCulprit(const std::string& output, const std::vector<std::string>& jars) {
    const std::string notFound = " not found, required by ", module = "Module ";
    size_t at = output.find(notFound);
    size_t start = at == std::string::npos ? at : output.rfind(module, at);
    if (start == std::string::npos) {
        std::vector<std::string> lines = splitLines(output);
        return lines.empty() ? "" : lines.front();
    }
    std::string missing = wordAt(output, start + module.size());
    std::string requiring = wordAt(output, at + notFound.size());
    std::string holder = "module " + requiring;
    for (const std::string& jar : jars)
        if (jarModuleName(jar) == requiring)
            holder = jar.substr(jar.rfind('/') + 1) + " (module " + requiring + ")";
    return holder + " requires " + missing + ", which no jar of the input holds";
}

// The modules the JDK's java command resolves for an application on the class path: the
// default root modules and the services they use. A JDK without jmods/ cannot link its own
// linker module, nor the packager that needs it.
std::vector<std::string> defaultModules(const JdkTools& jdk) {
    ProgramRun java = runProgramWithLimit(
        {jdk.home + "/bin/java", "-Xshare:off", "--show-module-resolution", "-version"},
        kJdkToolTimeoutSeconds);
    if (!java.succeeded())
        refuse("%s/bin/java could not list its default modules (%s):\n%s",
               shownName(jdk.home).c_str(), describeEnd(java, kJdkToolTimeoutSeconds).c_str(),
               outputTail(java.error + java.output).c_str());
    std::vector<std::string> modules;
    // "root M URI", "M requires N URI", "M binds N URI"
    for (const std::string& line : splitLines(java.output + java.error)) {
        std::vector<std::string> words = splitWords(line, " ");
        if (words.size() == 3 && words[0] == "root") modules.push_back(words[1]);
        if (words.size() == 4 && (words[1] == "requires" || words[1] == "binds")) {
            modules.push_back(words[0]);
            modules.push_back(words[2]);
        }
    }
    if (!jdk.hasJmods)
        modules.erase(std::remove_if(modules.begin(), modules.end(),
                                     [](const std::string& module) {
                                         return module == "jdk.jlink" || module == "jdk.jpackage";
                                     }),
                      modules.end());
    std::sort(modules.begin(), modules.end());
    modules.erase(std::unique(modules.begin(), modules.end()), modules.end());
    return modules;
}

}  // namespace

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
        if (jdeps.succeeded()) {
            addModuleList(jdeps.output, modules);
        } else {
            std::string culprit = jdepsCulprit(jdeps.error + jdeps.output, jars);
            std::vector<std::string> fallback = defaultModules(jdk);
            warn(
                "jdeps could not list the modules the jars need (%s): %s; the runtime gets "
                "the %zu modules the java command resolves for a class-path application "
                "instead. Add the missing jar to the input for a smaller runtime, or give "
                "--runtime-image",
                describeEnd(jdeps, kJdkToolTimeoutSeconds).c_str(), culprit.c_str(),
                fallback.size());
            modules.insert(modules.end(), fallback.begin(), fallback.end());
        }
    }
    for (const char* module : kServiceModules)
        if (jmods.empty() ? jdkHasModule(jdk, module) : exists(jmods + "/" + module + ".jmod"))
            modules.push_back(module);
    for (const std::string& added : addModules) addModuleList(added, modules);
    std::sort(modules.begin(), modules.end());
    modules.erase(std::unique(modules.begin(), modules.end()), modules.end());
    return modules;
}

}  // namespace trellane
