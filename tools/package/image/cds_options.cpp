#include "package/image/cds_options.h"

#include "common/windows_names.h"

namespace trellane {

namespace {

// The log selections that silence the archive's messages. The "aot" tag is the one runtime 25
// logs its cache under, and earlier runtimes refuse to start with a tag they do not know.
std::vector<std::string> quietArchiveLogs(int runtimeVersion) {
    std::vector<std::string> logs{"-Xlog:cds=off", "-Xlog:cds+dynamic=off"};
    if (runtimeVersion >= 25) logs.push_back("-Xlog:aot=off");
    return logs;
}

}  // namespace

std::vector<std::string> autoArchiveOptions(ImageTarget target, int runtimeVersion,
                                            const std::string& name, const std::string& vendor,
                                            const std::string& version) {
    std::string folder;
    if (target == ImageTarget::Windows) {
        std::string vendorFolder = windowsSafeName(vendor);
        folder = "~/AppData/Local/" + (vendorFolder.empty() ? "" : vendorFolder + "/") + name;
    } else {
        folder = "~/.cache/" + name;
    }
    std::string safeVersion = windowsSafeName(version);
    std::string file = name + (safeVersion.empty() ? "" : "-" + safeVersion) + ".jsa";
    std::vector<std::string> options{"-XX:+AutoCreateSharedArchive",
                                     "-XX:SharedArchiveFile=" + folder + "/" + file,
                                     std::string("-D") + kArchiveFolderProperty + "=" + folder};
    for (const std::string& log : quietArchiveLogs(runtimeVersion)) options.push_back(log);
    return options;
}

std::string trainingArchiveOption(const std::string& name) {
    return "-XX:ArchiveClassesAtExit=&&" + name + ".jsa";
}

std::vector<std::string> trainedArchiveOptions(const std::string& name) {
    return {"-XX:SharedArchiveFile=&&" + name + ".jsa", "-Xlog:cds+dynamic=off"};
}

std::vector<std::string> aotRecordingOptions(const std::string& name) {
    return {"-XX:AOTMode=record", "-XX:AOTConfiguration=&&" + name + ".aotconf"};
}

std::vector<std::string> aotCreationOptions(const std::string& name) {
    return {"-XX:AOTMode=create", "-XX:AOTConfiguration=&&" + name + ".aotconf",
            "-XX:AOTCache=&&" + name + ".aot"};
}

std::vector<std::string> aotCacheOptions(int runtimeVersion, const std::string& name) {
    std::vector<std::string> options{"-XX:AOTCache=&&" + name + ".aot"};
    for (const std::string& log : quietArchiveLogs(runtimeVersion)) options.push_back(log);
    return options;
}

}  // namespace trellane
