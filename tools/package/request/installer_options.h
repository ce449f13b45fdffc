// The options every installer takes under jpackage's names. Each installer reads them with its
// own meaning (an MSI's --install-dir is a folder under Program Files, a Linux package's a
// folder under /opt), so they are declared once and handed to the installer being built.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "package/request/package_request.h"

namespace trellane {

struct InstallerOptions {
    std::string installDir;                     // --install-dir
    std::string description;                    // --description
    std::string aboutUrl;                       // --about-url
    std::string licenseFile;                    // --license-file (Linux packages only)
    std::vector<std::string> fileAssociations;  // --file-associations FILE, repeatable
};

void addInstallerOptions(CLI::App& app, InstallerOptions& options, const char* group);

// After parsing: an app image installs nothing, so these are refused for it; otherwise they
// go to the request of the installer being built.
void applyInstallerOptions(const CLI::App& app, const InstallerOptions& options,
                           PackageRequest& request);

}  // namespace trellane
