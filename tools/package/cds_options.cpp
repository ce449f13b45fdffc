#include "package/cds_options.h"

#include "package/windows_names.h"

namespace trellane {

std::vector<std::string> autoArchiveOptions(ImageTarget target, const std::string& name,
                                            const std::string& vendor, const std::string& version) {
    std::string folder;
    if (target == ImageTarget::Windows) {
        std::string vendorFolder = windowsSafeName(vendor);
        folder = "~/AppData/Local/" + (vendorFolder.empty() ? "" : vendorFolder + "/") + name;
    } else {
        folder = "~/.cache/" + name;
    }
    std::string safeVersion = windowsSafeName(version);
    std::string file = name + (safeVersion.empty() ? "" : "-" + safeVersion) + ".jsa";
    return {"-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=" + folder + "/" + file,
            std::string("-D") + kArchiveFolderProperty + "=" + folder};
}

std::string trainingArchiveOption(const std::string& name) {
    return "-XX:ArchiveClassesAtExit=&&" + name + ".jsa";
}

std::vector<std::string> trainedArchiveOptions(const std::string& name) {
    return {"-XX:SharedArchiveFile=&&" + name + ".jsa", "-Xlog:cds+dynamic=off"};
}

}  // namespace trellane
