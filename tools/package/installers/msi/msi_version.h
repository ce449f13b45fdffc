// The version an MSI carries. Windows Installer compares only the first three parts of
// ProductVersion, each within its own limit, when it decides whether a package upgrades,
// downgrades or repeats what is installed: a version it cannot compare, or a release told
// apart only by a fourth part, would break upgrades silently on the user's machine.
#pragma once

#include <string>

namespace trellane {

struct MsiVersion {
    std::string productVersion;  // as given, padded to at least three parts: "1.2" is "1.2.0"
    std::string compared;        // the three parts Windows compares: "1.2.0"
    // A fourth part other than 0 was given: Windows ignores it, so 1.2.3.4 and 1.2.3.5 are
    // the same version to it.
    bool fourthPartIgnored = false;
};

// Refuses (saying the limits) a version that is not one to four dotted numbers, or whose
// major or minor part is over 255 or build part over 65535. "1.0" when version is empty, as
// jpackage.
MsiVersion msiVersion(const std::string& version);

}  // namespace trellane
