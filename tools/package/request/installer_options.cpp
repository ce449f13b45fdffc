#include "package/request/installer_options.h"

#include "common/command_line_style.h"
#include "common/refusal.h"
#include "package/request/package_type.h"

namespace trellane {

namespace {

const char* const kInstallerOptionNames[] = {"--install-dir", "--description", "--about-url",
                                             "--license-file", "--file-associations"};

}  // namespace

void addInstallerOptions(CLI::App& app, InstallerOptions& options, const char* group) {
    auto value = [&](const char* name, std::string& field, const char* type, const char* help) {
        addValueOption(app, name, field, type, help, group);
    };
    value("--install-dir", options.installDir, "DIR",
          "msi: the folder under Program Files, '\\' between levels (default: NAME); deb, rpm: "
          "the image goes to DIR/PACKAGE (default: /opt)");
    value("--description", options.description, "TEXT",
          "what the application is, in a few words (deb, rpm default: Java application NAME)");
    value("--about-url", options.aboutUrl, "URL", "the application's web page");
    value("--license-file", options.licenseFile, "FILE",
          "deb, rpm: the license's text (an MSI has no dialog to show it)");
    addListOption(app, "--file-associations", options.fileAssociations, "FILE",
                  "a file type it opens: a properties file (extension, mime-type, "
                  "description, icon); repeatable",
                  group);
}

void applyInstallerOptions(const CLI::App& app, const InstallerOptions& options,
                           PackageRequest& request) {
    if (request.type == PackageType::AppImage) {
        for (const char* name : kInstallerOptionNames)
            if (app.count(name) != 0)
                refuseUsage(
                    "%s is an installer option: give --type msi, deb or rpm with it, or leave "
                    "it out",
                    name);
        return;
    }
    if (request.type == PackageType::Msi) {
        request.msi.installDir = options.installDir;
        request.msi.description = options.description;
        request.msi.aboutUrl = options.aboutUrl;
        request.msi.fileAssociations = options.fileAssociations;
    } else {
        LinuxPackageOptions& linux = request.type == PackageType::Rpm
                                         ? static_cast<LinuxPackageOptions&>(request.rpm)
                                         : static_cast<LinuxPackageOptions&>(request.deb);
        linux.installDir = options.installDir;
        linux.description = options.description;
        linux.aboutUrl = options.aboutUrl;
        linux.licenseFile = options.licenseFile;
        linux.fileAssociations = options.fileAssociations;
    }
}

}  // namespace trellane
