#include "package/runtime_check.h"

#include <sys/stat.h>

#include <map>

#include "common/refusal.h"
#include "package/file_tree.h"
#include "package/runtime_release.h"

namespace trellane {

namespace {

const char kHowToGetOne[] =
    "give a Windows x86-64 Java runtime: one made by jlink on Windows, or an unpacked JRE";

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string wanted(ImageTarget target) {
    return target == ImageTarget::Windows
               ? std::string(kHowToGetOne)
               : std::string(
                     "give a Linux x86-64 Java runtime, or leave --runtime-image out to "
                     "link one from the JDK");
}

}  // namespace

const char* targetName(ImageTarget target) {
    return target == ImageTarget::Windows ? "Windows" : "Linux";
}

RuntimeFacts checkRuntime(const std::string& runtime, ImageTarget target) {
    struct stat info;
    if (stat(runtime.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        refuse("the runtime %s is not a folder; %s", runtime.c_str(), wanted(target).c_str());

    std::string text, problem;
    if (!readWholeFile(runtime + "/release", text, problem))
        refuse("%s is not a Java runtime: it has no release file (%s); %s", runtime.c_str(),
               problem.c_str(), wanted(target).c_str());
    std::map<std::string, std::string> release = parseReleaseFile(text);
    const std::string& system = release["OS_NAME"];
    if (system != targetName(target))
        refuse(
            "%s is a Java runtime for OS_NAME=\"%s\" (its release file); a %s image needs a "
            "%s runtime: %s",
            runtime.c_str(), system.c_str(), targetName(target), targetName(target),
            wanted(target).c_str());
    const std::string& processor = release["OS_ARCH"];
    if (processor != "x86_64")
        refuse(
            "%s is a runtime for the processor \"%s\" (OS_ARCH in its release file); the "
            "launcher is built for x86_64: %s",
            runtime.c_str(), processor.c_str(), wanted(target).c_str());

    const char* jvm =
        target == ImageTarget::Windows ? "bin/server/jvm.dll" : "lib/server/libjvm.so";
    for (const char* required : {jvm, "lib/modules"})
        if (!isFile(runtime + "/" + required))
            refuse("%s is not a complete Java runtime: it has no %s; %s", runtime.c_str(), required,
                   wanted(target).c_str());

    RuntimeFacts facts;
    facts.javaVersion = release["JAVA_VERSION"];
    facts.featureVersion = javaFeatureVersion(facts.javaVersion);
    return facts;
}

}  // namespace trellane
