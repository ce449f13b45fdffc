#include "package/image/tool_files.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "common/refusal.h"
#include "common/shown_text.h"

namespace trellane {

namespace {

// dist/, from this program's own path dist/bin/trellane-package.
std::string distFolder() {
    char path[PATH_MAX];
    if (realpath("/proc/self/exe", path) == nullptr) return "";
    std::string folder = path;
    folder = folder.substr(0, folder.rfind('/'));
    return folder.substr(0, folder.rfind('/'));
}

std::string chosen(const std::string& given, const char* inDist, const char* option) {
    std::string path = given.empty() ? distFolder() + "/" + inDist : given;
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        if (given.empty())
            refuse("%s is missing: run make dist, or give %s FILE", shownName(path).c_str(),
                   option);
        refuse("%s %s is not a file", option, shownName(path).c_str());
    }
    return path;
}

}  // namespace

ToolFiles locateToolFiles(const PackageRequest& request) {
    ToolFiles files;
    files.launcher =
        chosen(request.launcher,
               request.target == ImageTarget::Windows ? "windows/launcher.exe" : "linux/launcher",
               "--launcher");
    files.runtimeJar = chosen(request.runtimeJar, "java/trellane-runtime.jar", "--runtime-jar");
    return files;
}

}  // namespace trellane
