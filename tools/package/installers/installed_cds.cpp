#include "package/installers/installed_cds.h"

#include "common/refusal.h"
#include "package/image/cds_options.h"

namespace trellane {

void checkInstalledCds(const ImagePlan& plan) {
    if (plan.request.cds != CdsMode::Train || plan.runtime.featureVersion >= kFirstAotCacheVersion)
        return;
    refuse(
        "--cds train on a runtime of version %s makes an archive that records where the image "
        "is while it is built, not where the package installs it: package with a runtime of "
        "version %d or later (whose cache serves wherever the image is), give --cds auto "
        "(runtime 19 or later), or leave it out",
        plan.runtime.javaVersion.empty() ? "unknown" : plan.runtime.javaVersion.c_str(),
        kFirstAotCacheVersion);
}

}  // namespace trellane
