#include "package/request/package_type.h"

#include "common/refusal.h"

namespace trellane {

namespace {

struct TypeName {
    PackageType type;
    const char* name;
};

const TypeName kTypes[] = {
    {PackageType::AppImage, "app-image"},
    {PackageType::Msi, "msi"},
    {PackageType::Deb, "deb"},
    {PackageType::Rpm, "rpm"},
};

}  // namespace

PackageType parsePackageType(const std::string& text) {
    for (const TypeName& known : kTypes)
        if (text == known.name) return known.type;
    refuseUsage("--type %s: give app-image (the default), msi, deb or rpm", text.c_str());
}

const char* packageTypeName(PackageType type) {
    for (const TypeName& known : kTypes)
        if (known.type == type) return known.name;
    return "?";
}

ImageTarget targetOfType(PackageType type, const std::string& targetGiven) {
    if (type == PackageType::AppImage)
        return targetGiven == "windows" ? ImageTarget::Windows : ImageTarget::Linux;
    ImageTarget needed = type == PackageType::Msi ? ImageTarget::Windows : ImageTarget::Linux;
    const char* neededName = needed == ImageTarget::Windows ? "windows" : "linux";
    if (!targetGiven.empty() && targetGiven != neededName)
        refuseUsage("--type %s installs on %s: leave --target out, or give --target %s",
                    packageTypeName(type),
                    neededName == std::string("windows") ? "Windows" : "Linux", neededName);
    return needed;
}

}  // namespace trellane
