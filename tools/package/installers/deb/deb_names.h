// What a Debian package of the application says of itself, worked out from the command line
// the way jpackage does (package name from --name in lower case, version from --app-version,
// release 1, the image under /opt/PACKAGE), and checked against what dpkg and lintian accept
// before anything is built.
#pragma once

#include <string>
#include <vector>

#include "package/installers/desktop_files.h"
#include "package/request/package_request.h"

namespace trellane {

struct DebDescription {
    std::string package;                    // "hello"
    std::string version;                    // "1.0-1": --app-version, '-', --linux-app-release
    std::string architecture;               // dpkg --print-architecture
    std::string maintainer;                 // "Vendor <mail@example.com>"
    std::string section;                    // "misc"
    std::string homepage;                   // empty: none
    std::string synopsis;                   // the Description line
    std::string extended;                   // its following lines, unindented, '\n'-separated
    std::vector<std::string> extraDepends;  // --linux-package-deps, each one relation
    std::string installDir;                 // "/opt"
    std::string imagePath;                  // "/opt/hello"
    std::string appName;                    // --name: the application the copyright file names
    std::string licenseFile;                // empty: the copyright file is written from --copyright
    std::string copyright;                  // --copyright
    std::string vendor;                     // --vendor
    LinuxDesktop desktop;                   // the menu entry and the file types

    std::string fileName() const;  // "hello_1.0-1_amd64.deb"
};

// Refuses, saying what to give instead, a value dpkg or lintian would not take.
DebDescription describeDeb(const PackageRequest& request, const std::string& appName,
                           const std::string& architecture);

// Empty when text can name a Debian package (lower-case letters, digits, '+', '-', '.', at
// least two, starting with a letter or digit); otherwise why not.
std::string packageNameProblem(const std::string& text);

}  // namespace trellane
