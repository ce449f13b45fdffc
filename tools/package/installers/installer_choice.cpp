#include "package/installers/installer_choice.h"

#include "package/installers/deb/deb_installer.h"
#include "package/installers/msi/msi_installer.h"
#include "package/installers/rpm/rpm_installer.h"

namespace trellane {

std::unique_ptr<Installer> chooseInstaller(PackageType type) {
    switch (type) {
        case PackageType::AppImage:
            return nullptr;
        case PackageType::Msi:
            return std::make_unique<MsiInstaller>();
        case PackageType::Deb:
            return std::make_unique<DebInstaller>();
        case PackageType::Rpm:
            return std::make_unique<RpmInstaller>();
    }
    return nullptr;
}

}  // namespace trellane
