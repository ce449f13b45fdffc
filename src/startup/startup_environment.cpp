#include "startup/startup_environment.h"

#include <string>

namespace trellane {

namespace {

// The package-redirected folders, the user's own, and, when the application asks for it,
// the redirected ones again under the names every program reads.
void exportKnownFolders(bool redirectAppDataVariables, const KnownFolderPrimitives& primitives) {
    setKnownFolderVariable(kFolderLocalAppData, u"PACKAGE_LOCALAPPDATA", true, primitives);
    setKnownFolderVariable(kFolderRoamingAppData, u"PACKAGE_APPDATA", true, primitives);
    setKnownFolderVariable(kFolderLocalAppData, u"USER_LOCALAPPDATA", false, primitives);
    setKnownFolderVariable(kFolderRoamingAppData, u"USER_APPDATA", false, primitives);
    if (redirectAppDataVariables) {
        setKnownFolderVariable(kFolderLocalAppData, u"LOCALAPPDATA", true, primitives);
        setKnownFolderVariable(kFolderRoamingAppData, u"APPDATA", true, primitives);
    }
}

// Java and the tools an application starts look for the user's home in HOME, which Windows
// does not set. Without a profile there is nothing better to offer, so HOME stays as it was.
// The assignment takes the profile path at its full length: a HOME cut short would name
// some other directory.
void exportHome(const StartupPrimitives& primitives) {
    const char* userProfile = primitives.getEnv("USERPROFILE");
    if (userProfile == nullptr) return;
    const std::string assignment = std::string("HOME=") + userProfile;
    primitives.putEnv(assignment.c_str());
}

}  // namespace

void prepareStartupEnvironment(const LaunchConfig& config, const StartupPrimitives& primitives) {
    if (config.isConsoleApp && config.setUpConsole) primitives.setUpConsole();
    exportKnownFolders(config.redirectAppDataVariables, primitives.knownFolders);
    exportHome(primitives);
}

}  // namespace trellane
