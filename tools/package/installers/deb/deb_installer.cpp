#include "package/installers/deb/deb_installer.h"

#include <sys/stat.h>

#include "common/refusal.h"
#include "package/image/image_output.h"
#include "package/installers/deb/deb_package.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

void DebInstaller::check(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    deb_ = describeDeb(request, plan.name, debArchitecture());
    for (const ImageLauncher& launcher : plan.launchers)
        if (launcher.added != nullptr)
            deb_.launchers.push_back(DebLauncher{launcher.name, launcher.description,
                                                 launcher.linuxShortcut.value_or(deb_.shortcut),
                                                 !launcher.iconPath.empty()});
    if (request.cds == CdsMode::Train)
        refuse(
            "--cds train records where the image is while it is built, not where the "
            "package installs it: leave it out, or give --cds auto (runtime 19 or later)");
    checkDebDestination(request, deb_);
}

// Beside the package's destination, so that the package is renamed into place.
std::string DebInstaller::imageFolder(const ImagePlan& plan) {
    return plan.request.dest;
}

std::string DebInstaller::package(const ImagePlan& plan, const std::string& image) {
    std::string package = writeDebPackage(plan.request, deb_, image);
    finishImage();
    struct stat info;
    progress("built %s (%s) in %.1f s", package.c_str(),
             describeSize(stat(package.c_str(), &info) == 0 ? info.st_size : 0).c_str(),
             monotonicSeconds() - plan.started);
    return package;
}

}  // namespace trellane
