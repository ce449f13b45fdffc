#include "options/install_root.h"

#include "common/fail_fatal.h"
#include "platform/platform.h"

namespace trellane {

std::string installRootOf(const std::string& executablePath, char dirSeparator) {
    size_t last = executablePath.rfind(dirSeparator);
    size_t cut = (last == std::string::npos || last == 0)
                     ? std::string::npos
                     : executablePath.rfind(dirSeparator, last - 1);
    if (cut == std::string::npos)
        failFatal("The launcher must be in a subdirectory of the application's folder, not at %s",
                  executablePath.c_str());
    return executablePath.substr(0, cut);
}

std::string appDirOf(const std::string& installRoot, char dirSeparator) {
    std::string appDir = installRoot;
    appDir += dirSeparator;
    appDir += "app";
    appDir += dirSeparator;
    return appDir;
}

std::string computeInstallRoot() {
    return installRootOf(platform::executablePath(), platform::pathConventions().dirSeparator);
}

}  // namespace trellane
