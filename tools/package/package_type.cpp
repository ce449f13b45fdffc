#include "package/package_type.h"

#include "common/refusal.h"

namespace trellane {

PackageType parsePackageType(const std::string& text) {
    if (text.empty() || text == "app-image") return PackageType::AppImage;
    if (text == "deb") return PackageType::Deb;
    if (text == "msi")
        refuseUsage(
            "--type msi is not built by this version of trellane-package: give app-image or "
            "deb");
    refuseUsage("--type %s: give app-image (the default), msi or deb", text.c_str());
}

}  // namespace trellane
