// The archive of --cds made at packaging time: a training run of the application in its image,
// then the image's launcher stamped to use what it left. And the runtime's own archive, which
// the JVM needs beneath an application archive of the older kind.
#pragma once

#include <functional>
#include <string>

#include "config/launch_config.h"
#include "package/request/package_request.h"

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

// A Linux runtime, in the image being built at root, without its own archive
// (lib/server/classes.jsa) gets one, made by its own JVM through a launcher stamped for it:
// without it the JVM never makes an application archive, and warns at every start. Refuses
// when the JVM cannot make it.
void provideBaseArchive(const std::string& root, const StampLauncher& stamp);

// A Windows runtime cannot run here to be given one, so one without its own archive
// (bin/server/classes.jsa of --runtime-image; every runtime linked from --runtime-jdk) is
// refused, before anything is written.
void checkWindowsBaseArchive(const PackageRequest& request);

}  // namespace trellane
