#include "package/runtime/windows_runtime.h"

#include <sys/stat.h>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "package/runtime/module_image.h"
#include "package/runtime/runtime_cache.h"
#include "package/runtime/runtime_copy.h"
#include "package/runtime/runtime_identity.h"
#include "package/runtime/runtime_release.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

const char kWanted[] =
    "give --runtime-jdk an unpacked Windows x64 JDK (the zip archive its vendor publishes)";

bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// jlink cannot run a Windows runtime's java, and the rest are this command's to choose.
void refuseForeignOptions(const std::vector<std::string>& options) {
    for (const std::string& option : options) {
        if (option == "--generate-cds-archive")
            refuse(
                "--jlink-options holds --generate-cds-archive, which runs the new runtime's "
                "java: a Windows runtime cannot run here. Leave it out (--cds auto has the JVM "
                "make an archive on the user's machine, with a runtime of version 19 or later)");
        for (const char* chosen : {"--output", "-o", "--module-path", "-p"}) {
            std::string name = chosen;
            if (option == name || option.compare(0, name.size() + 1, name + "=") == 0)
                refuse(
                    "--jlink-options holds %s: the command links from --runtime-jdk's jmods/ "
                    "and chooses where the runtime goes; leave it out",
                    chosen);
        }
    }
}

}  // namespace

WindowsJdk checkWindowsJdk(const std::string& home, const JdkTools& buildJdk) {
    if (!isFolder(home))
        refuse("--runtime-jdk %s is not a folder; %s", shownName(home).c_str(), kWanted);
    RuntimeIdentity identity = identifyRuntime(home);
    if (identity.system == RuntimeSystem::None) {
        std::string below = runtimeBelow(home, RuntimeSystem::Windows);
        if (!below.empty())
            refuse("--runtime-jdk %s is not a JDK, but %s is one: give --runtime-jdk %s",
                   shownName(home).c_str(), below.c_str(), below.c_str());
        refuse("--runtime-jdk %s is not a JDK: it has no bin/server/jvm.dll; %s",
               shownName(home).c_str(), kWanted);
    }
    const char* library = identity.jvmLibrary.c_str();
    if (!identity.problem.empty())
        refuse("--runtime-jdk %s is not a usable JDK: its %s %s; %s", shownName(home).c_str(),
               library, identity.problem.c_str(), kWanted);
    std::string what = std::string(systemName(identity.system)) +
                       (identity.processor.empty() ? "" : " " + identity.processor);
    if (identity.system != RuntimeSystem::Windows)
        refuse(
            "--runtime-jdk %s is a %s JDK (by its %s); it takes a Windows x64 JDK to link a "
            "Windows runtime from (a Linux image's runtime is linked from --jdk)",
            shownName(home).c_str(), what.c_str(), library);
    if (!identity.x86_64)
        refuse("--runtime-jdk %s is a %s JDK (by its %s); the launcher is built for x86-64: %s",
               shownName(home).c_str(), what.c_str(), library, kWanted);

    WindowsJdk jdk;
    jdk.home = home;
    jdk.jmods = home + "/jmods";
    if (!isRegularFile(jdk.jmods + "/java.base.jmod"))
        refuse(
            "--runtime-jdk %s has no jmods/java.base.jmod: jlink links a Windows runtime only "
            "from a Windows JDK's jmods (a JDK of version 24 or later may come without them); "
            "give a JDK that has jmods/, or a ready runtime with --runtime-image",
            shownName(home).c_str());
    jdk.javaVersion = readReleaseFile(home)["JAVA_VERSION"];
    if (jdk.javaVersion.empty()) jdk.javaVersion = javaBaseVersion(home + "/lib/modules");
    jdk.featureVersion = javaFeatureVersion(jdk.javaVersion);
    // Unknown on either side: jlink compares the versions itself and says so.
    if (jdk.featureVersion != 0 && buildJdk.featureVersion != 0 &&
        jdk.featureVersion != buildJdk.featureVersion)
        refuse(
            "--runtime-jdk %s is JDK %s, and the JDK whose jlink links it (%s) is %s: jlink "
            "links another system's modules only of its own feature version. Give a Windows "
            "JDK %d, or --jdk a Linux JDK %d",
            shownName(home).c_str(), jdk.javaVersion.c_str(), buildJdk.home.c_str(),
            buildJdk.javaVersion.c_str(), buildJdk.featureVersion, jdk.featureVersion);
    return jdk;
}

void linkWindowsRuntime(const JdkTools& buildJdk, const WindowsJdk& windowsJdk,
                        const std::vector<std::string>& modules,
                        const std::vector<std::string>& jlinkOptions, const std::string& image,
                        const std::vector<ModuleEntry>& appModules) {
    refuseForeignOptions(jlinkOptions);
    for (const std::string& module : modules)
        if (findModule(appModules, module) == nullptr &&
            !isRegularFile(windowsJdk.jmods + "/" + module + ".jmod"))
            refuse(
                "the runtime needs the module %s, and --runtime-jdk %s has no "
                "jmods/%s.jmod: give a whole Windows JDK, or check --add-modules",
                module.c_str(), windowsJdk.home.c_str(), module.c_str());
    std::vector<std::string> keyInputs{
        "windows-runtime-1",
        jdkIdentity(buildJdk.home, {"/lib/modules"}),
        jdkIdentity(windowsJdk.home, {"/jmods", "/jmods/java.base.jmod"}),
        joined(modules, ","),
        joined(jlinkOptions, " "),
        filesIdentity(modulePaths(appModules))};
    std::string key = runtimeCacheKey(keyInputs);
    std::string cached = findCachedRuntime(key);
    if (!cached.empty()) {
        progress(
            "runtime: %zu Windows modules, the same as a runtime linked before (cached in "
            "%s)",
            modules.size(), cached.c_str());
        copyRuntime(cached, ImageTarget::Windows, image);
        return;
    }

    progress("runtime: linking %zu Windows modules from %s with jlink %s (%s)", modules.size(),
             windowsJdk.jmods.c_str(), buildJdk.javaVersion.c_str(), joined(modules, ",").c_str());
    // Beside the image in the temporary folder: a refusal removes it with the rest.
    std::string linked = image + ".jlink";
    std::vector<std::string> path = modulePaths(appModules);
    path.insert(path.begin(), windowsJdk.jmods);
    std::vector<std::string> arguments{buildJdk.home + "/bin/jlink", "--module-path",
                                       joined(path, ":"), "--add-modules", joined(modules, ",")};
    arguments.insert(arguments.end(), jlinkOptions.begin(), jlinkOptions.end());
    arguments.push_back("--output");
    arguments.push_back(linked);
    ProgramRun jlink = runProgramWithLimit(arguments, kJdkToolTimeoutSeconds);
    if (!jlink.succeeded())
        refuse("jlink failed (%s):\n%s", describeEnd(jlink, kJdkToolTimeoutSeconds).c_str(),
               outputTail(jlink.output + jlink.error).c_str());
    // What the jmods held decides what jlink made; a Windows JDK's are Windows x64 ones.
    RuntimeIdentity identity = identifyRuntime(linked);
    if (identity.system != RuntimeSystem::Windows || !identity.x86_64)
        refuse(
            "jlink made no Windows x86-64 runtime from %s (its bin/server/jvm.dll is missing or "
            "not a Windows x64 DLL): those are not a Windows x64 JDK's jmods; %s",
            windowsJdk.jmods.c_str(), kWanted);
    storeCachedRuntime(key, linked);
    copyRuntime(linked, ImageTarget::Windows, image);
    removeTree(linked);
}

}  // namespace trellane
