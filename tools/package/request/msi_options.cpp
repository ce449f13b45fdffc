#include "package/request/msi_options.h"

#include <string>

#include "common/command_line_style.h"
#include "common/refusal.h"
#include "package/request/package_type.h"

namespace trellane {

namespace {

// jpackage's options that ask the user something while installing. wixl builds no dialogs,
// so the MSI runs without any (as msiexec /qn runs every MSI): what each would have asked.
struct DialogOption {
    const char* name;
    bool takesValue;
    const char* instead;
};

const DialogOption kDialogOptions[] = {
    {"--win-dir-chooser", false,
     "the folder is --install-dir, or chosen when installing with msiexec /i FILE.msi "
     "INSTALLDIR=\"D:\\Apps\\NAME\""},
    {"--win-shortcut-prompt", false, "give --win-shortcut or --win-menu, or neither"},
    {"--license-file", true,
     "put the license into --input, where it is installed with the application (app/)"},
};

bool dialogFlag = false;

// --install-dir, --description, --about-url and --file-associations are both installers'
// options (package/request/installer_options).
const char* const kMsiOnlyOptions[] = {
    "--win-per-user-install", "--win-menu",     "--win-menu-group", "--win-shortcut",
    "--win-upgrade-uuid",     "--win-help-url", "--win-update-url", "--temp",
};

}  // namespace

void addMsiOptions(CLI::App& app, MsiRequest& msi, const char* group) {
    auto value = [&](const char* name, std::string& field, const char* type, const char* help) {
        addValueOption(app, name, field, type, help, group);
    };
    auto flag = [&](const char* name, bool& field, const char* help) {
        app.add_flag(name, field, help)->group(group);
    };
    flag("--win-per-user-install", msi.perUser,
         "install for the current user (LocalAppData), not for all (Program Files)");
    flag("--win-menu", msi.menu, "a Start-menu shortcut");
    value("--win-menu-group", msi.menuGroup, "NAME",
          "the Start-menu folder (default: --vendor, else NAME)");
    flag("--win-shortcut", msi.shortcut, "a desktop shortcut");
    value("--win-upgrade-uuid", msi.upgradeUuid, "UUID",
          "the upgrade code (default: derived from --vendor and NAME)");
    value("--win-help-url", msi.helpUrl, "URL", "its help or support page");
    value("--win-update-url", msi.updateUrl, "URL", "its updates page");
    value("--temp", msi.temp, "DIR",
          "a new or empty folder to build in, kept (the image and the WiX source)");
    for (const DialogOption& option : kDialogOptions) {
        // A Debian package takes --license-file: it is declared with the installers' options.
        if (!option.takesValue) app.add_flag(option.name, dialogFlag)->group("");
    }
}

void checkMsiOptions(const CLI::App& app, PackageType type) {
    for (const DialogOption& option : kDialogOptions)
        if (app.count(option.name) != 0 && (!option.takesValue || type == PackageType::Msi))
            refuse(
                "%s needs an installer dialog, and the MSI built here has none (it installs "
                "as msiexec /qn does, asking nothing): leave it out; %s",
                option.name, option.instead);
    if (type == PackageType::Msi) return;
    for (const char* name : kMsiOnlyOptions)
        if (app.count(name) != 0)
            refuseUsage("%s is an installer option: give --type msi with it, or leave it out",
                        name);
}

}  // namespace trellane
