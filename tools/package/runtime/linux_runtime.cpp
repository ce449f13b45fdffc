#include "package/runtime/linux_runtime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "common/child_process.h"
#include "common/refusal.h"
#include "package/runtime/runtime_cache.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

const char* const kDefaultJlinkOptions[4] = {"--strip-debug", "--no-header-files", "--no-man-pages",
                                             "--strip-native-commands"};

namespace {

const char kStripNativeCommands[] = "--strip-native-commands";
const char kGenerateCdsArchive[] = "--generate-cds-archive";

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// Native commands (java, keytool...) have no use beside the launcher; the archive for heaps
// beyond 32 GB, where compressed pointers are off, is 10 MB a desktop application never maps.
void trimRuntime(const std::string& runtime, bool stripNativeCommands) {
    if (stripNativeCommands) {
        removeTree(runtime + "/bin");
        makeFolder(runtime + "/bin");
    }
    unlink((runtime + "/lib/server/classes_nocoops.jsa").c_str());
}

}  // namespace

void linkLinuxRuntime(const JdkTools& jdk, const std::vector<std::string>& modules,
                      const std::vector<std::string>& jlinkOptions, const std::string& output,
                      const std::vector<ModuleEntry>& appModules) {
    std::vector<std::string> options = jlinkOptions;
    for (const std::string& option : options)
        if (option == "--output" || option.compare(0, 9, "--output=") == 0 || option == "-o")
            refuse(
                "--jlink-options holds %s: the command chooses where the runtime goes; leave "
                "it out",
                option.c_str());
    auto strip = std::find(options.begin(), options.end(), kStripNativeCommands);
    bool stripNativeCommands = strip != options.end();
    if (stripNativeCommands) options.erase(strip);
    if (std::find(options.begin(), options.end(), kGenerateCdsArchive) == options.end())
        options.push_back(kGenerateCdsArchive);

    std::vector<std::string> keyInputs{"linux-runtime-1",
                                       jdkIdentity(jdk.home, {"/lib/modules", "/jmods"}),
                                       joined(modules, ","),
                                       joined(options, " "),
                                       stripNativeCommands ? "strip" : "",
                                       filesIdentity(modulePaths(appModules))};
    std::string key = runtimeCacheKey(keyInputs);
    std::string cached = findCachedRuntime(key);
    if (!cached.empty()) {
        progress("runtime: %zu modules, the same as a runtime linked before (cached in %s)",
                 modules.size(), cached.c_str());
        makeFolder(output);
        copyTree(cached, output);
        return;
    }

    progress("runtime: linking %zu modules with jlink %s (%s)", modules.size(),
             jdk.javaVersion.c_str(), joined(modules, ",").c_str());
    std::vector<std::string> arguments{jdk.home + "/bin/jlink", "--add-modules",
                                       joined(modules, ",")};
    if (!appModules.empty()) {
        // The JDK's own modules first, where this JDK has them as jmods.
        std::vector<std::string> path = modulePaths(appModules);
        if (jdk.hasJmods) path.insert(path.begin(), jdk.home + "/jmods");
        arguments.push_back("--module-path");
        arguments.push_back(joined(path, ":"));
    }
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("--output");
    arguments.push_back(output);
    ProgramRun jlink = runProgramWithLimit(arguments, kJdkToolTimeoutSeconds);
    // jlink's CDS step warns about classes of its default list that these modules lack:
    // noise, shown only when jlink fails.
    if (!jlink.succeeded())
        refuse("jlink failed (%s):\n%s%s", describeEnd(jlink, kJdkToolTimeoutSeconds).c_str(),
               outputTail(jlink.output + jlink.error).c_str(),
               jdk.hasJmods ? ""
                            : "\nThis JDK has no jmods/, so its jlink links from the JDK's own "
                              "run-time image, which only builds of version 24 and later made "
                              "for it can do: install the JDK's jmods, or give --jdk another "
                              "JDK");
    trimRuntime(output, stripNativeCommands);
    storeCachedRuntime(key, output);
}

}  // namespace trellane
