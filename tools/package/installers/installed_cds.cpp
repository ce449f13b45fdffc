#include "package/installers/installed_cds.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/refusal.h"
#include "package/image/cds_options.h"
#include "package/support/file_tree.h"

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

void clampTimesForCds(const ImagePlan& plan, const std::string& image) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (plan.request.cds != CdsMode::Train || epoch == nullptr || *epoch == '\0') return;
    char* end = nullptr;
    long long seconds = std::strtoll(epoch, &end, 10);
    if (*end != '\0' || seconds < 0) return;
    for (const TreeEntry& entry : listTree(image)) {
        std::string path = image + "/" + entry.relative;
        struct stat info;
        if (entry.folder || lstat(path.c_str(), &info) != 0 || info.st_mtime <= seconds) continue;
        struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                    {static_cast<time_t>(seconds), 0}};
        if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            refuse("cannot set the time of %s to SOURCE_DATE_EPOCH: %s", path.c_str(),
                   std::strerror(errno));
    }
}

}  // namespace trellane
