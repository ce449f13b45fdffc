#include "package/installers/rpm/rpm_installer.h"

#include <sys/stat.h>

#include "package/image/image_output.h"
#include "package/installers/linux_package_tree.h"
#include "package/installers/rpm/rpm_package.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

void RpmInstaller::check(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    rpm_ = describeRpm(request, plan.name, rpmArchitecture());
    rpm_.desktop.launchers = addedLinuxLaunchers(plan.launchers, rpm_.desktop.shortcut);
    checkRpmDestination(request, rpm_);
    requirePackagingProgram("rpm", "rpmbuild", "rpm");
}

// Beside the package's destination, so that the package is renamed into place.
std::string RpmInstaller::imageFolder(const ImagePlan& plan) {
    return plan.request.dest;
}

std::string RpmInstaller::package(const ImagePlan& plan, const std::string& image) {
    std::string package = writeRpmPackage(plan.request, rpm_, image);
    finishImage();
    struct stat info;
    progress("built %s (%s) in %.1f s", package.c_str(),
             describeSize(stat(package.c_str(), &info) == 0 ? info.st_size : 0).c_str(),
             monotonicSeconds() - plan.started);
    return package;
}

}  // namespace trellane
