#include "package/request/linux_package_options.h"

#include "common/command_line_style.h"
#include "common/refusal.h"

namespace trellane {

namespace {

// --install-dir, --description, --about-url, --license-file and --file-associations are every
// installer's options (package/request/installer_options).
const char* const kLinuxOptionNames[] = {"--linux-package-name", "--linux-menu-group",
                                         "--linux-app-category", "--linux-app-release",
                                         "--linux-package-deps", "--linux-shortcut"};

}  // namespace

void addLinuxPackageOptions(CLI::App& command, LinuxPackageOptions& options, const char* group) {
    auto value = [&](const char* name, std::string& field, const char* type, const char* help) {
        addValueOption(command, name, field, type, help, group);
    };
    value("--linux-package-name", options.packageName, "NAME",
          "the package's name (default: --name in lower case)");
    value("--linux-menu-group", options.menuGroup, "CATEGORIES",
          "the menu categories, ';'-separated (default: Utility)");
    value("--linux-app-category", options.category, "CATEGORY",
          "deb: the package's section (default: misc); rpm: its group (default: Unspecified)");
    value("--linux-app-release", options.release, "RELEASE", "the package's release (default: 1)");
    addListOption(command, "--linux-package-deps", options.packageDeps, "DEPS",
                  "packages it needs besides its libraries', ','-separated (repeatable)", group);
    command.add_flag("--linux-shortcut", options.shortcut, "a menu entry, with --icon's PNG")
        ->group(group);
}

void refuseLinuxPackageOptionsWithoutPackage(const CLI::App& command) {
    std::string given;
    for (const char* name : kLinuxOptionNames)
        if (command.count(name) != 0) given += (given.empty() ? "" : ", ") + std::string(name);
    if (!given.empty())
        refuseUsage("%s describe%s a Linux package: give --type deb or --type rpm, or leave %s out",
                    given.c_str(), given.find(',') == std::string::npos ? "s" : "",
                    given.find(',') == std::string::npos ? "it" : "them");
}

}  // namespace trellane
