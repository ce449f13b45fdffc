// --type rpm: the Linux image built beside --dest, moved into an RPM package's tree and packed
// by rpmbuild (installers/rpm/rpm_package), the package renamed into --dest whole.
#pragma once

#include <string>

#include "package/installers/installer.h"
#include "package/installers/rpm/rpm_names.h"

namespace trellane {

class RpmInstaller : public Installer {
  public:
    void check(const ImagePlan& plan) override;
    std::string imageFolder(const ImagePlan& plan) override;
    std::string package(const ImagePlan& plan, const std::string& image) override;

  private:
    RpmDescription rpm_;
};

}  // namespace trellane
