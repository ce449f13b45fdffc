// The installer options on trellane-package's command line: jpackage's names for what an MSI
// installs, and jpackage's options that need an installer dialog, which are refused with the
// reason (the MSI built here shows none).
#pragma once

#include <CLI/CLI.hpp>

#include "package/request/msi_request.h"
#include "package/request/package_request.h"

namespace trellane {

// Declares the options in the help section group; the dialog options are declared too, so
// that they are refused with the reason rather than as unknown.
void addMsiOptions(CLI::App& app, MsiRequest& msi, const char* group);

// After parsing: refuses a dialog option, and an installer option with a type that is not an
// installer (--win-menu with --type app-image), saying which --type takes it.
void checkMsiOptions(const CLI::App& app, PackageType type);

}  // namespace trellane
