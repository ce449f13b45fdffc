// What trellane-package is asked to build: the command line, read once, in plain fields.
#pragma once

#include <string>
#include <vector>

#include "brand/app_metadata.h"
#include "brand/signing_request.h"
#include "config/launch_config.h"
#include "package/request/added_launchers.h"
#include "package/request/deb_options.h"
#include "package/request/msi_request.h"
#include "package/request/rpm_options.h"

namespace trellane {

enum class ImageTarget { Linux, Windows };

// --type: the image itself, or an installer wrapping it (package/request/package_type.h).
enum class PackageType { AppImage, Msi, Deb, Rpm };

// --cds: none; a training run at packaging time (Linux: a dynamic archive, or an
// ahead-of-time cache on runtimes of version 24 and later); or an archive the JVM makes on the
// user's machine at the first start (runtimes of version 19 and later).
enum class CdsMode { None, Train, Auto };

struct PackageRequest {
    PackageType type = PackageType::AppImage;
    ImageTarget target = ImageTarget::Linux;
    std::string input;      // the application's files, copied into app/ whole; may be empty
                            // with --module
    std::string mainJar;    // relative to input; empty with --module
    std::string mainClass;  // empty: the main jar's Main-Class
    // --module: "MODULE/CLASS", or "MODULE/" for the class its descriptor names; empty: the
    // application is on the class path (--main-jar).
    std::string mainModule;
    std::vector<std::string> modulePath;        // --module-path values, each ':'-separated
    std::vector<std::string> appContent;        // --app-content: files and folders copied into app/
    std::vector<AddedLauncher> addedLaunchers;  // --add-launcher
    std::string name;  // the image's folder and the launcher's name; empty: the main jar's
    std::string dest = ".";
    std::vector<std::string> classPathWildcards;  // folders of input listed as "&&DIR/*.jar"

    // The block, but for the main class and the class path, which come from the input.
    LaunchConfig config;
    bool stackSizeGiven = false;   // --stack-size; else -Xss in the JVM options sizes it
    std::string singleInstanceId;  // --single-instance=ID; empty: derived from the name
    AppMetadata metadata;          // Windows launchers
    SigningRequest signing;        // Windows launchers

    std::string runtimeImage;  // a ready Java runtime; Windows needs it or runtimeJdk
    std::string runtimeJdk;    // a Windows JDK whose jmods/ the Windows runtime is linked from
    std::string jdk;           // the JDK whose jdeps and jlink make the runtime
    std::vector<std::string> addModules;
    std::vector<std::string> jlinkOptions;  // each a whole jlink argument
    bool jlinkOptionsGiven = false;

    CdsMode cds = CdsMode::None;
    unsigned cdsTimeoutSeconds = 120;
    int cdsTrainStatus = 0;  // the training run's exit status when it works as meant
    std::vector<std::string> trainArguments;

    MsiRequest msi;  // --type msi
    DebOptions deb;  // --type deb
    RpmOptions rpm;  // --type rpm

    bool overwrite = false;
    bool quiet = false;

    // The unstamped launcher and the runtime jar; empty: the ones of this tool's dist/.
    std::string launcher;
    std::string runtimeJar;
};

}  // namespace trellane
