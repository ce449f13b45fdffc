#include "package/installers/rpm/rpm_installer.h"

#include "package/installers/linux_package_file.h"
#include "package/installers/linux_package_tree.h"
#include "package/installers/rpm/rpm_package.h"

namespace trellane {

void RpmInstaller::check(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    rpm_ = describeRpm(request, plan.name, rpmArchitecture());
    rpm_.desktop.launchers = addedLinuxLaunchers(plan.launchers, rpm_.desktop.shortcut);
    checkPackageDestination(request, rpm_.fileName());
    requirePackagingProgram("rpm", "rpmbuild", "rpm");
}

// Beside the package's destination, so that the package is renamed into place.
std::string RpmInstaller::imageFolder(const ImagePlan& plan) {
    return plan.request.dest;
}

std::string RpmInstaller::package(const ImagePlan& plan, const std::string& image) {
    return finishPackage(plan, writeRpmPackage(plan.request, rpm_, image));
}

}  // namespace trellane
