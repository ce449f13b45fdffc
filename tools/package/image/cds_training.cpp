#include "package/image/cds_training.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "package/image/cds_options.h"
#include "package/support/progress.h"
#include "stamp/single_instance_option.h"

namespace trellane {

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// One launch of the image's launcher stamped with these options besides its own, from the
// image's bin/ (so "&&" names the image's app/), the stamped file removed afterwards.
ProgramRun launchWith(const PackageRequest& request, const Training& training,
                      const StampLauncher& stamp, const std::vector<std::string>& options,
                      const char* step, const std::vector<std::string>& arguments) {
    std::string launcher = training.image + "/bin/." + training.name + "-" + step;
    LaunchConfig config = training.config;
    config.jvmOptions.insert(config.jvmOptions.end(), options.begin(), options.end());
    // A training run is no user's launch: with the application already running for the
    // packager, single-instance mode would hand it the run instead of training.
    dropInstanceOption(config);
    stamp(config, launcher);
    std::vector<std::string> command{launcher};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramRun run = runApplication(command, request.cdsTimeoutSeconds);
    unlink(launcher.c_str());
    return run;
}

void checkRun(const PackageRequest& request, const ProgramRun& run, const char* what,
              int expectedStatus, const std::string& written, const std::string& name) {
    std::string output = outputTail(run.output + run.error);
    if (run.timedOut)
        refuse(
            "the CDS %s did not end within %u s (--cds-timeout) and was stopped; give it "
            "--cds-train-arg arguments that make the application end by itself, or more time. "
            "Its output:\n%s",
            what, request.cdsTimeoutSeconds, output.c_str());
    if (run.status != expectedStatus)
        refuse("the CDS %s failed (%s); it must end with exit status %d%s. Its output:\n%s", what,
               describeEnd(run).c_str(), expectedStatus,
               run.status > 0 && expectedStatus == 0
                   ? " (--cds-train-status N accepts a workload that ends with N)"
                   : "",
               output.c_str());
    if (!exists(written))
        refuse("the CDS %s wrote no app/%s. Its output:\n%s", what, name.c_str(), output.c_str());
}

}  // namespace

void trainArchive(const PackageRequest& request, const Training& training,
                  const StampLauncher& stamp) {
    const std::string app = training.image + "/app/", name = training.name;
    progress("CDS: training run of bin/%s (at most %u s)", training.launcherName.c_str(),
             request.cdsTimeoutSeconds);
    // The packager's own settings must not shape the archive.
    unsetenv("TRELLANE_JVM_OPTIONS");
    unsetenv("TRELLANE_DUMP_JVM_ARGS");

    LaunchConfig trained = training.config;
    if (training.runtimeVersion >= kFirstAotCacheVersion) {
        ProgramRun recording = launchWith(request, training, stamp, aotRecordingOptions(name),
                                          "training", request.trainArguments);
        checkRun(request, recording, "training run", request.cdsTrainStatus,
                 app + name + ".aotconf", name + ".aotconf");
        progress("CDS: creating the ahead-of-time cache app/%s.aot", name.c_str());
        ProgramRun creation =
            launchWith(request, training, stamp, aotCreationOptions(name), "creating", {});
        unlink((app + name + ".aotconf").c_str());
        checkRun(request, creation, "cache creation", 0, app + name + ".aot", name + ".aot");
        for (const std::string& option : aotCacheOptions(training.runtimeVersion, name))
            trained.jvmOptions.push_back(option);
    } else {
        ProgramRun run = launchWith(request, training, stamp, {trainingArchiveOption(name)},
                                    "training", request.trainArguments);
        checkRun(request, run, "training run", request.cdsTrainStatus, app + name + ".jsa",
                 name + ".jsa");
        for (const std::string& option : trainedArchiveOptions(name))
            trained.jvmOptions.push_back(option);
    }
    stamp(trained, training.image + "/bin/" + training.launcherName);
}

bool needsBaseArchive(CdsMode cds, int runtimeVersion) {
    return cds == CdsMode::Auto ||
           (cds == CdsMode::Train && runtimeVersion < kFirstAotCacheVersion);
}

void provideBaseArchive(const std::string& root, const StampLauncher& stamp) {
    const char archive[] = "lib/server/classes.jsa";
    if (exists(root + "/" + archive)) return;
    progress("CDS: the runtime has no CDS archive of its own; making %s", archive);
    // The JVM writes its archive while it is created; some versions then go on and fail to
    // find a main class, which does not matter: the archive is what counts.
    LaunchConfig dump;
    dump.mainClassName = "none";
    dump.isConsoleApp = true;
    dump.jvmOptions = {"-Xshare:dump"};
    std::string launcher = root + "/bin/.base-archive";
    stamp(dump, launcher);
    ProgramRun run = runApplication({launcher}, 600);
    unlink(launcher.c_str());
    if (!exists(root + "/" + archive))
        refuse(
            "the runtime has no CDS archive of its own (%s), without which the JVM makes no "
            "archive of the application, and its JVM could not make one (%s): give a runtime "
            "made by jlink --generate-cds-archive, or leave --cds out. Its output:\n%s",
            archive, describeEnd(run, 600).c_str(), outputTail(run.output + run.error).c_str());
}

void checkWindowsBaseArchive(const PackageRequest& request) {
    const char archive[] = "bin/server/classes.jsa";
    if (!request.runtimeImage.empty() && exists(request.runtimeImage + "/" + archive)) return;
    if (!request.runtimeImage.empty())
        refuse(
            "--cds auto: the runtime %s has no CDS archive of its own (%s), on which the JVM "
            "builds the one it makes: without it the JVM makes none, and warns at every start; "
            "give a runtime made by jlink --generate-cds-archive (on Windows), or leave --cds "
            "out",
            shownName(request.runtimeImage).c_str(), archive);
    refuse(
        "--cds auto: a runtime linked from --runtime-jdk has no CDS archive of its own (jlink "
        "makes one by running the runtime, which a Windows runtime cannot do here), and "
        "without it the JVM makes none and warns at every start; give --runtime-image a "
        "runtime made on Windows by jlink --generate-cds-archive, or leave --cds out");
}

}  // namespace trellane
