#include "package/installers/deb/deb_installer.h"

#include <cctype>

#include "package/installers/deb/deb_known_packages.h"
#include "package/installers/deb/deb_package.h"
#include "package/installers/linux_package_file.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

// A name of the application's own: the vendor's name before the package's, when the vendor
// gives one, else "-app" after it.
std::string suggestedName(const PackageRequest& request, const std::string& package) {
    std::string vendor;
    for (char c : request.metadata.vendor) {
        bool kept = std::isalnum(static_cast<unsigned char>(c));
        if (kept)
            vendor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!vendor.empty() && vendor.back() != '-')
            vendor += '-';
    }
    while (!vendor.empty() && vendor.back() == '-') vendor.pop_back();
    if (vendor.empty() || vendor == package || packageNameProblem(vendor + "-" + package) != "")
        return package + "-app";
    return vendor + "-" + package;
}

}  // namespace

void DebInstaller::check(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    deb_ = describeDeb(request, plan.name, debArchitecture());
    deb_.desktop.launchers = addedLinuxLaunchers(plan.launchers, deb_.desktop.shortcut);
    checkPackageDestination(request, deb_.fileName());
    std::string known = knownPackage(deb_.package);
    if (!known.empty())
        warn(
            "the package name %s is %s: installing this package would replace that one, as "
            "another version of it, and the package manager may put its own back over the "
            "application; give the package a name of its own with --linux-package-name, such "
            "as %s",
            deb_.package.c_str(), known.c_str(), suggestedName(request, deb_.package).c_str());
}

// Beside the package's destination, so that the package is renamed into place.
std::string DebInstaller::imageFolder(const ImagePlan& plan) {
    return plan.request.dest;
}

std::string DebInstaller::package(const ImagePlan& plan, const std::string& image) {
    return finishPackage(plan, writeDebPackage(plan.request, deb_, image));
}

}  // namespace trellane
