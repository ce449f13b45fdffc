// What an RPM package of the application says of itself, worked out from the command line the
// way jpackage does (package name from --name in lower case, version from --app-version,
// release 1, license Unknown, the image under /opt/PACKAGE, relocatable from /opt), and checked
// against what rpmbuild and rpmlint accept before anything is built.
#pragma once

#include <string>
#include <vector>

#include "package/installers/desktop_files.h"
#include "package/request/package_request.h"

namespace trellane {

struct RpmDescription {
    std::string package;                     // Name: "hello"
    std::string version;                     // Version: --app-version, "1.0"
    std::string release;                     // Release: --linux-app-release, "1"
    std::string architecture;                // rpm's name for this machine's: "x86_64"
    std::string summary;                     // Summary: one line
    std::string description;                 // %description: '\n'-separated lines
    std::string license;                     // License: --linux-rpm-license-type
    std::string group;                       // Group: --linux-app-category; empty: none
    std::string url;                         // URL: --about-url; empty: none
    std::string vendor;                      // Vendor: --vendor; empty: none
    std::vector<std::string> extraRequires;  // --linux-package-deps, each one relation
    std::string installDir;                  // "/opt": the Prefix, relocatable
    std::string imagePath;                   // "/opt/hello"
    std::string licenseFile;                 // --license-file on the build machine; empty: none
    LinuxDesktop desktop;

    std::string fileName() const;  // "hello-1.0-1.x86_64.rpm"
};

// Refuses, saying what to give instead, a value rpmbuild or rpmlint would not take.
RpmDescription describeRpm(const PackageRequest& request, const std::string& appName,
                           const std::string& architecture);

// Empty when text can name an RPM package (letters, digits, '.', '_', '+', '-', starting with
// a letter or digit); otherwise why not.
std::string rpmNameProblem(const std::string& text);

}  // namespace trellane
