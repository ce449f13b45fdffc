#include "package/runtime/runtime_check.h"

#include <sys/stat.h>

#include <map>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/text_split.h"
#include "package/runtime/module_image.h"
#include "package/runtime/runtime_identity.h"
#include "package/runtime/runtime_release.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

const char* jvmLibraryOf(ImageTarget target) {
    return target == ImageTarget::Windows ? "bin/server/jvm.dll" : "lib/server/libjvm.so";
}

RuntimeSystem systemOf(ImageTarget target) {
    return target == ImageTarget::Windows ? RuntimeSystem::Windows : RuntimeSystem::Linux;
}

}  // namespace

const char* targetName(ImageTarget target) {
    return target == ImageTarget::Windows ? "Windows" : "Linux";
}

std::string runtimeWanted(ImageTarget target) {
    return target == ImageTarget::Windows
               ? "give --runtime-image a Windows x86-64 Java runtime (made by jlink on Windows, "
                 "or an unpacked Windows JRE or JDK), or --runtime-jdk an unpacked Windows x64 "
                 "JDK to link one from"
               : "give a Linux x86-64 Java runtime, or leave --runtime-image out to link one "
                 "from the JDK";
}

RuntimeFacts checkRuntime(const std::string& runtime, ImageTarget target) {
    struct stat info;
    if (stat(runtime.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        refuse("the runtime %s is not a folder; %s", shownName(runtime).c_str(),
               runtimeWanted(target).c_str());

    RuntimeIdentity identity = identifyRuntime(runtime);
    if (identity.system == RuntimeSystem::None) {
        std::string below = runtimeBelow(runtime, systemOf(target));
        if (!below.empty())
            refuse("%s is not a Java runtime, but %s is one: give --runtime-image %s",
                   shownName(runtime).c_str(), below.c_str(), below.c_str());
        refuse(
            "%s is not a Java runtime: it has no JVM library (bin/server/jvm.dll in a Windows "
            "runtime, lib/server/libjvm.so in a Linux one); %s",
            shownName(runtime).c_str(), runtimeWanted(target).c_str());
    }
    const char* library = identity.jvmLibrary.c_str();
    if (!identity.problem.empty())
        refuse("%s is not a usable Java runtime: its %s %s; %s", shownName(runtime).c_str(),
               library, identity.problem.c_str(), runtimeWanted(target).c_str());
    std::string what = std::string(systemName(identity.system)) +
                       (identity.processor.empty() ? "" : " " + identity.processor);
    if (identity.system != systemOf(target))
        refuse("%s is a %s Java runtime (by its %s); a %s image needs a %s runtime: %s",
               shownName(runtime).c_str(), what.c_str(), library, targetName(target),
               targetName(target), runtimeWanted(target).c_str());
    if (!identity.x86_64)
        refuse("%s is a %s Java runtime (by its %s); the launcher is built for x86-64: %s",
               shownName(runtime).c_str(), what.c_str(), library, runtimeWanted(target).c_str());
    if (identity.jvmLibrary != jvmLibraryOf(target))
        refuse("%s is not a complete Java runtime: it has no %s; %s", shownName(runtime).c_str(),
               jvmLibraryOf(target), runtimeWanted(target).c_str());

    // The release file says the system and processor only in a whole JDK or JRE; when it
    // does, it must agree with the library.
    std::map<std::string, std::string> release = readReleaseFile(runtime);
    auto said = [&](const char* key) {
        auto found = release.find(key);
        return found == release.end() ? std::string() : found->second;
    };
    std::string osName = said("OS_NAME"), osArch = said("OS_ARCH");
    std::string contrary;
    if (!osName.empty() && osName != releaseSystemName(identity.system))
        contrary = "OS_NAME=\"" + osName + "\"";
    if (!osArch.empty() && !releaseArchMatches(osArch, identity))
        contrary += (contrary.empty() ? "" : " ") + ("OS_ARCH=\"" + osArch + "\"");
    if (!contrary.empty())
        refuse(
            "%s mixes two runtimes: its release file says %s, but its %s is for %s; unpack "
            "the runtime again into an empty folder",
            shownName(runtime).c_str(), contrary.c_str(), library, what.c_str());

    if (!isRegularFile(runtime + "/lib/modules"))
        refuse("%s is not a complete Java runtime: it has no lib/modules; %s",
               shownName(runtime).c_str(), runtimeWanted(target).c_str());

    RuntimeFacts facts;
    facts.javaVersion = said("JAVA_VERSION");
    if (facts.javaVersion.empty()) facts.javaVersion = javaBaseVersion(runtime + "/lib/modules");
    facts.featureVersion = javaFeatureVersion(facts.javaVersion);
    facts.modules = splitWords(said("MODULES"), " ");
    return facts;
}

}  // namespace trellane
