// --type msi: the Windows image built as for --type app-image, in a work folder, then wrapped
// by wixl into DEST/NAME-VERSION.msi, signed like the launcher and verified, and put in place
// whole. Every check that needs no image comes first, so a refusal writes nothing.
#pragma once

#include <string>

#include "package/installers/installer.h"
#include "package/installers/msi/msi_source.h"

namespace trellane {

class MsiInstaller : public Installer {
  public:
    void check(const ImagePlan& plan) override;
    // --temp DIR (new or empty, kept), else a temporary folder that goes whatever ends the
    // command: the image, the WiX source and the unsigned MSI are built there.
    std::string imageFolder(const ImagePlan& plan) override;
    std::string package(const ImagePlan& plan, const std::string& image) override;

  private:
    MsiSource source_;
    std::string output_;  // DEST/NAME-VERSION.msi
    std::string work_;
};

}  // namespace trellane
