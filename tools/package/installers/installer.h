// An installer: what --type makes of the image when it asks for more than the image itself
// (--type app-image). The pipeline runs exactly one, which installers/installer_choice picks:
// check before anything is written, then the image built in the folder the installer names,
// then package. Each installer lives in a folder of its own under installers/ and includes no
// other installer's headers; what several share is here in installers/.
#pragma once

#include <string>

#include "package/image/image_builder.h"

namespace trellane {

class Installer {
  public:
    virtual ~Installer() = default;

    // Refuses, saying what to do, whatever would stop the package and needs no image: the
    // installer's own options, the programs it runs, a package in the way at --dest.
    virtual void check(const ImagePlan& plan) = 0;

    // The folder the image is built in (inside a temporary folder of its own); called after
    // check, before the image is built.
    virtual std::string imageFolder(const ImagePlan& plan) = 0;

    // Makes the package of the image built at image, still in its temporary folder: the
    // installer puts it in place (placeImage) or moves it into its package, ends the image
    // stage (finishImage) and writes the package to --dest whole. Returns the package's path.
    virtual std::string package(const ImagePlan& plan, const std::string& image) = 0;
};

}  // namespace trellane
