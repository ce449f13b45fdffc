// The archive of --cds made at packaging time: a training run of the application in its image,
// then the image's launcher stamped to use what it left. And the runtime's own archive, which
// the JVM needs beneath an application archive of the older kind.
#pragma once

#include <functional>
#include <string>

#include "config/launch_config.h"
#include "package/package_request.h"

namespace trellane {

// Writes a launcher with this configuration at the path (the image's launcher file).
using StampLauncher = std::function<void(const LaunchConfig&, const std::string&)>;

struct Training {
    std::string image;         // the image at its destination
    std::string name;          // names app/NAME.jsa, app/NAME.aot and the training launchers
    std::string launcherName;  // the image's launcher, in bin/
    int runtimeVersion = 0;    // the image's runtime's feature version
    LaunchConfig config;       // the image's launcher's, without archive options
};

// Runs the application from its image with --cds-train-arg and the launcher's own
// configuration, as a user would, then stamps the image's launcher to use what the run left:
// the dynamic archive app/NAME.jsa, or, on runtimes of version 24 and later, the ahead-of-time
// cache app/NAME.aot. Refuses, with the run's output, a run that ends otherwise than with
// --cds-train-status, does not end in time, or leaves nothing.
void trainArchive(const PackageRequest& request, const Training& training,
                  const StampLauncher& stamp);

// Whether the JVM needs the runtime's own archive beneath the application's: for the dynamic
// archive that --cds auto, and --cds before runtime version 24, make.
bool needsBaseArchive(CdsMode cds, int runtimeVersion);

// The runtime of the image being built at root must have its own archive
// (lib/server/classes.jsa; for Windows bin/server/'s, in the image beside the launcher): without it the JVM never makes an
// application archive and warns at every start. A Linux runtime without one gets one made by
// its own JVM (through a launcher stamped for it); a Windows runtime, which cannot run here,
// is refused.
void provideBaseArchive(ImageTarget target, const std::string& root, const StampLauncher& stamp);

}  // namespace trellane
