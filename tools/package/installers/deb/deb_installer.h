// --type deb: the Linux image built beside --dest, moved into a Debian package's tree and
// wrapped by dpkg-deb (installers/deb/deb_package), the package renamed into --dest whole.
#pragma once

#include <string>

#include "package/installers/deb/deb_names.h"
#include "package/installers/installer.h"

namespace trellane {

class DebInstaller : public Installer {
  public:
    void check(const ImagePlan& plan) override;
    std::string imageFolder(const ImagePlan& plan) override;
    std::string package(const ImagePlan& plan, const std::string& image) override;

  private:
    DebDescription deb_;
};

}  // namespace trellane
