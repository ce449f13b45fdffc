#include "package/installers/deb/deb_names.h"

#include <cctype>
#include <cstdio>

#include "common/plain_text.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "package/installers/deb/deb_fields.h"
#include "package/installers/linux_package_values.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

// A mail address as the Maintainer field holds one: something@somewhere, with no space or
// bracket that would end the field's address early.
bool isMailAddress(const std::string& text) {
    size_t at = text.find('@');
    return at != std::string::npos && at > 0 && at + 1 < text.size() &&
           text.find('@', at + 1) == std::string::npos &&
           text.find_first_of(" \t<>,()\"") == std::string::npos && !hasControlCharacter(text);
}

// A value for a message: a very long one (a field of thousands of characters) cut short, and
// in one that is not UTF-8 every byte beyond ASCII as \xNN.
std::string shownValue(const std::string& text) {
    const size_t shown = 60;
    size_t end = text.size();
    if (end > shown + 3) {
        end = shown;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    std::string escaped = shownName(text.substr(0, end));
    if (!isUtf8(text)) {
        std::string bytes;
        for (char c : escaped) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            bytes += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : hex;
        }
        escaped = bytes;
    }
    return escaped + (end < text.size() ? "..." : "");
}

}  // namespace

std::string DebDescription::fileName() const {
    return package + "_" + version + "_" + architecture + ".deb";
}

std::string packageNameProblem(const std::string& text) {
    if (text.size() < 2) return "is shorter than two characters";
    if (!std::isalnum(static_cast<unsigned char>(text[0])))
        return "does not start with a letter or digit";
    for (char c : text)
        if (!(std::islower(static_cast<unsigned char>(c)) ||
              std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'))
            return "holds characters other than lower-case letters, digits, '+', '-' and '.'";
    return "";
}

DebDescription describeDeb(const PackageRequest& request, const std::string& appName,
                           const std::string& architecture) {
    const DebOptions& options = request.deb;
    DebDescription deb;
    deb.appName = appName;
    deb.architecture = architecture;

    deb.package = linuxPackageName(options, appName, packageNameProblem);

    std::string version = request.metadata.version.empty() ? "1.0" : request.metadata.version;
    if (!std::isdigit(static_cast<unsigned char>(version[0])) || !isAlphanumericOr(version, ".+~"))
        refuseUsage(
            "--app-version %s cannot be a package's version: give one that starts with a "
            "digit and holds letters, digits, '.', '+' and '~' only, such as 1.2.3",
            version.c_str());
    std::string release = options.release.empty() ? "1" : options.release;
    if (!isAlphanumericOr(release, ".+~"))
        refuseUsage(
            "--linux-app-release %s: give letters, digits, '.', '+' and '~' only, such as 1",
            release.c_str());
    deb.version = version + "-" + release;

    if (options.maintainer.empty())
        refuseUsage(
            "--type deb needs --linux-deb-maintainer EMAIL: a package names who answers for it "
            "(with --vendor as the name)");
    if (!isMailAddress(options.maintainer))
        refuseUsage(
            "--linux-deb-maintainer %s is not a mail address such as "
            "packages@example.com",
            options.maintainer.c_str());
    deb.vendor = request.metadata.vendor;
    std::string who = deb.vendor.empty() ? appName : deb.vendor;
    std::string problem = contactNameProblem(who);
    if (!problem.empty())
        refuse(
            "the maintainer's name \"%s\" (--vendor, or else --name) %s: Debian's package "
            "checker (lintian) counts it as an error in the Maintainer field; give another "
            "--vendor, such as \"Example Software Ltd.\"",
            shownValue(who).c_str(), problem.c_str());
    deb.maintainer = who + " <" + options.maintainer + ">";

    deb.section = options.category.empty() ? "misc" : options.category;
    if (!std::isalnum(static_cast<unsigned char>(deb.section[0])) ||
        !isAlphanumericOr(deb.section, "+-./") || deb.section != lowerCase(deb.section))
        refuseUsage("--linux-app-category %s: give a section such as misc, utils or java",
                    deb.section.c_str());

    deb.homepage = aboutUrl(options.aboutUrl);

    deb.synopsis = packageSummary(options, appName);
    problem = plainTextProblem(deb.synopsis);
    if (!problem.empty())
        refuseUsage("--description \"%s\" %s: give one line of UTF-8 text",
                    shownValue(deb.synopsis).c_str(), problem.c_str());
    problem = synopsisProblem(deb.synopsis, deb.package);
    if (!problem.empty())
        refuseUsage(
            "--description \"%s\" %s, which Debian's package checker (lintian) counts as "
            "an error: say in a few words what the application does, such as \"Editor "
            "for hello files\"",
            shownValue(deb.synopsis).c_str(), problem.c_str());
    deb.installDir = linuxInstallDir(options.installDir);
    deb.imagePath = deb.installDir + "/" + deb.package;
    deb.extended = imageDescription(appName, deb.imagePath);
    deb.extraDepends = packageDependencies(options.packageDeps);
    LinuxDesktop& desktop = deb.desktop;
    desktop.package = deb.package;
    desktop.appName = appName;
    desktop.comment = deb.synopsis;
    desktop.imagePath = deb.imagePath;
    desktop.icon = !request.metadata.iconPath.empty();
    desktop.categories = desktopCategories(options.menuGroup);
    desktop.shortcut = options.shortcut;
    deb.licenseFile = options.licenseFile;
    deb.copyright = request.metadata.copyright;
    checkLicenseFile(deb.licenseFile);
    desktop.associations = readLinuxFileAssociations(options.fileAssociations);

    std::string depends;
    for (const std::string& relation : deb.extraDepends)
        depends += (depends.empty() ? "" : ", ") + relation;
    const struct {
        const char* field;
        const std::string& value;
        const char* options;
    } fields[] = {{"Package", deb.package, "--linux-package-name, or else --name"},
                  {"Version", deb.version, "--app-version and --linux-app-release"},
                  {"Maintainer", deb.maintainer, "--vendor and --linux-deb-maintainer"},
                  {"Section", deb.section, "--linux-app-category"},
                  {"Homepage", deb.homepage, "--about-url"},
                  {"Depends", depends, "--linux-package-deps"}};
    for (const auto& field : fields) {
        problem = fieldLengthProblem(field.value);
        if (!problem.empty())
            refuse("the package's %s field (%s) %s: give a shorter value", field.field,
                   field.options, problem.c_str());
    }
    return deb;
}

}  // namespace trellane
