// The options of a Debian package (--type deb), under jpackage's names and meanings: the Linux
// packages' own (package/request/linux_package_options) and the maintainer. Read as given;
// deb_names checks each value once the application's name is known.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "package/request/linux_package_options.h"

namespace trellane {

struct DebOptions : LinuxPackageOptions {
    std::string maintainer;  // --linux-deb-maintainer: the maintainer's e-mail address
};

void addDebOptions(CLI::App& command, DebOptions& options, const char* group);

// After parsing: without --type deb, an option of this group has nothing to go into, so it is
// refused, saying so.
void refuseDebOptionsWithoutDeb(const CLI::App& command);

}  // namespace trellane
