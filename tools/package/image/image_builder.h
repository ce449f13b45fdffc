// The image stage: the application's input and the runtime checked, then the image built step
// by step in a temporary folder (image/image_output), which an installer takes from there, or
// which is put at DEST/NAME whole as the output of --type app-image. Knows no installer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/launch_config.h"
#include "package/image/tool_files.h"
#include "package/inputs/app_content.h"
#include "package/inputs/app_input.h"
#include "package/inputs/module_app.h"
#include "package/request/package_request.h"
#include "package/runtime/jdk_tools.h"
#include "package/runtime/runtime_check.h"
#include "package/runtime/windows_runtime.h"

namespace trellane {

// A launcher of the image, the main one or one of --add-launcher; what an installer makes
// shortcuts and menu entries of.
struct ImageLauncher {
    std::string name;      // NAME
    std::string fileName;  // in bin/: NAME, or NAME.exe
    std::string iconPath;  // --icon, or the launcher's own icon; empty: none
    std::string description;
    // An added launcher's shortcut and menu entry, when its properties say; unset: as the
    // installer's options say for the main launcher.
    std::optional<bool> winShortcut, winMenu, linuxShortcut;
    const AddedLauncher* added = nullptr;  // nullptr: the main launcher
    LaunchConfig config;                   // as it is stamped (buildImage works it out)
};

// The image to build, as worked out before anything is written.
struct ImagePlan {
    const PackageRequest& request;
    double started;  // monotonicSeconds() when the packaging began, for the closing line
    ToolFiles files;
    AppInput app;
    std::vector<AppContent> content;  // --app-content
    ModuleApp modules;                // --module, --module-path
    bool linksModules = false;        // the application's modules linked into the runtime, else in
                                      // app/mods/
    std::string name;          // NAME: the image's folder, the launcher's and the package's name
    std::string launcherName;  // in bin/
    RuntimeFacts runtime;
    JdkTools jdk;           // when jlink makes the runtime
    WindowsJdk windowsJdk;  // when it links a Windows one
    LaunchConfig config;    // as the image's launcher is stamped (buildImage works it out)
    std::vector<ImageLauncher> launchers;  // the main launcher first, then --add-launcher's
};

// Reads and checks the input, the name and the runtime; refuses before anything is written.
ImagePlan planImage(const PackageRequest& request);

// Builds the image in a new temporary folder inside folder (made when missing); from here on
// a refusal or an interruption removes everything written. Returns the image's path there;
// image/image_output's placeImage puts it at folder/NAME, and finishImage ends the stage.
std::string buildImage(ImagePlan& plan, const std::string& folder);

// --cds (train): the training run in the image at image, and its launcher stamped to use what
// the run left; nothing without --cds train. placeAppImage runs it at the image's destination;
// an installer's image is trained where it was built, when its archive serves from elsewhere.
void trainImage(const ImagePlan& plan, const std::string& image);

// --type app-image: the destination checked before buildImage (an image of ours replaced only
// with --overwrite, the input never inside it)...
void checkAppImageDestination(const ImagePlan& plan);

// ...and after it, the image put at DEST/NAME, its archive trained there with --cds train, and
// the closing line. Returns DEST/NAME.
std::string placeAppImage(const ImagePlan& plan);

}  // namespace trellane
