#include "package/pipeline.h"

#include <memory>
#include <string>

#include "package/image/image_builder.h"
#include "package/installers/installed_cds.h"
#include "package/installers/installer_choice.h"
#include "package/support/progress.h"

namespace trellane {

void runPipeline(const PackageRequest& request) {
    setQuiet(request.quiet);
    ImagePlan plan = planImage(request);
    std::unique_ptr<Installer> installer = chooseInstaller(request.type);
    if (installer == nullptr) {
        checkAppImageDestination(plan);
        buildImage(plan, request.dest);
        placeAppImage(plan);
        return;
    }
    checkInstalledCds(plan);
    installer->check(plan);
    std::string image = buildImage(plan, installer->imageFolder(plan));
    // The cache serves from wherever the package installs the image (checkInstalledCds), so
    // the training run happens where the image was built, before the installer takes it.
    clampTimesForCds(plan, image);
    trainImage(plan, image);
    installer->package(plan, image);
}

}  // namespace trellane
