#include "package/installers/linux_package_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/interruption.h"
#include "common/refusal.h"
#include "package/image/image_output.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

void checkPackageDestination(const PackageRequest& request, const std::string& fileName) {
    std::string destination = request.dest + "/" + fileName;
    struct stat info;
    if (lstat(destination.c_str(), &info) != 0) return;
    if (!S_ISREG(info.st_mode))
        refuse("%s exists and is not a file: remove it, or choose another --dest",
               destination.c_str());
    if (!request.overwrite)
        refuse("%s exists: give --overwrite to replace it, or choose another --dest",
               destination.c_str());
}

std::string placePackage(const PackageRequest& request, const std::string& built,
                         const std::string& fileName) {
    stopIfInterrupted();
    std::string destination = request.dest + "/" + fileName;
    unsigned flags = request.overwrite ? 0 : RENAME_NOREPLACE;
    if (renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, destination.c_str(), flags) != 0)
        refuse("cannot put the package at %s: %s", destination.c_str(), std::strerror(errno));
    return destination;
}

std::string finishPackage(const ImagePlan& plan, const std::string& package) {
    finishImage();
    struct stat info;
    progress("built %s (%s) in %.1f s", package.c_str(),
             describeSize(stat(package.c_str(), &info) == 0 ? info.st_size : 0).c_str(),
             monotonicSeconds() - plan.started);
    return package;
}

}  // namespace trellane
