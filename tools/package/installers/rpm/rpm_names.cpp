#include "package/installers/rpm/rpm_names.h"

#include <cctype>
#include <regex>

#include "common/refusal.h"
#include "common/text_split.h"
#include "package/installers/linux_package_values.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

// rpmlint's longest Summary and %description line.
constexpr size_t kLineLimit = 79;

// rpmlint's words for what a dependency must not name ("is not owned by any package" pasted
// from a message), and the prefixes that only a build or a local install has.
bool isRejectedRequirement(const std::string& name, std::string& why) {
    for (const char* word : {"is", "not", "owned", "by", "any", "package"})
        if (name == word) {
            why = "is not the name of a package";
            return true;
        }
    if (name.compare(0, 11, "/usr/local/") == 0) {
        why = "is a file of a local install, which no package provides";
        return true;
    }
    static const std::regex devel("(.*)-(debug(info|source)?|devel|headers|source|static)$");
    if (std::regex_match(name, devel)) {
        why = "is a package for building software, not for running it";
        return true;
    }
    return false;
}

// One relation of --linux-package-deps as rpm reads a Requires value: NAME, or NAME OP
// VERSION, or a rich dependency in parentheses, which rpmbuild checks itself.
void checkRequirement(const std::string& relation) {
    if (relation.front() == '(') {
        if (relation.back() != ')')
            refuseUsage(
                "--linux-package-deps \"%s\": a dependency in parentheses ends with ')', such "
                "as (a or b)",
                relation.c_str());
        return;
    }
    std::vector<std::string> words = splitWords(relation, " \t");
    const std::string& name = words[0];
    bool versioned = words.size() == 3;
    static const std::regex operators("<|<=|=|>=|>");
    if ((words.size() != 1 && !versioned) || (versioned && !std::regex_match(words[1], operators)))
        refuseUsage(
            "--linux-package-deps \"%s\": give NAME, or NAME OP VERSION with OP one of <, <=, "
            "=, >=, > (such as \"xdg-utils\" or \"zlib >= 1.2\"), ','-separated",
            relation.c_str());
    if (!std::isalnum(static_cast<unsigned char>(name[0])) && name[0] != '_' && name[0] != '/')
        refuseUsage(
            "--linux-package-deps \"%s\": a package's name starts with a letter, a digit, '_' "
            "or '/' (a file)",
            relation.c_str());
    std::string why;
    if (isRejectedRequirement(name, why))
        refuseUsage("--linux-package-deps \"%s\": %s %s, which rpmlint counts as an error",
                    relation.c_str(), name.c_str(), why.c_str());
    // A library's package is found from the runtime's libraries; one named by hand without a
    // version says nothing the system can check.
    static const std::regex library("(?:compat-)?lib.*|libs?[0-9-]*", std::regex::icase);
    static const std::regex soname(".*\\.so(\\.[0-9a-zA-Z]+)*(\\([^)]*\\))*");
    if (!versioned && std::regex_match(name, library) && !std::regex_match(name, soname))
        refuseUsage(
            "--linux-package-deps \"%s\" names a library's package without a version, which "
            "rpmlint counts as an error: the libraries the runtime links are found by "
            "themselves; give the version it needs, such as \"%s >= 1.0\"",
            relation.c_str(), name.c_str());
}

// A tag's value: one line, as given.
std::string tagValue(const char* option, const std::string& value, const char* example) {
    if (value.empty() || hasControlCharacter(value) ||
        std::isspace(static_cast<unsigned char>(value.front())))
        refuseUsage("%s \"%s\": give one line of text that starts with a word, such as %s", option,
                    value.c_str(), example);
    return value;
}

// Words put on lines of at most kLineLimit characters (a longer word stays whole).
std::string wrapped(const std::string& text) {
    std::string out, line;
    for (const std::string& word : splitWords(text, " ")) {
        if (!line.empty() && line.size() + 1 + word.size() > kLineLimit) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

}  // namespace

std::string RpmDescription::fileName() const {
    return package + "-" + version + "-" + release + "." + architecture + ".rpm";
}

std::string rpmNameProblem(const std::string& text) {
    if (text.empty()) return "is empty";
    if (!std::isalnum(static_cast<unsigned char>(text[0])))
        return "does not start with a letter or digit";
    if (!isAlphanumericOr(text, "._+-"))
        return "holds characters other than letters, digits, '.', '_', '+' and '-'";
    return "";
}

RpmDescription describeRpm(const PackageRequest& request, const std::string& appName,
                           const std::string& architecture) {
    const RpmOptions& options = request.rpm;
    RpmDescription rpm;
    rpm.architecture = architecture;

    rpm.package = linuxPackageName(options, appName, rpmNameProblem);

    rpm.version = request.metadata.version.empty() ? "1.0" : request.metadata.version;
    if (!std::isdigit(static_cast<unsigned char>(rpm.version[0])) ||
        !isAlphanumericOr(rpm.version, ".+~_"))
        refuseUsage(
            "--app-version %s cannot be a package's version: give one that starts with a "
            "digit and holds letters, digits, '.', '+', '~' and '_' only, such as 1.2.3",
            rpm.version.c_str());
    // rpm sorts 1.0rc1 after 1.0; '~' sorts before, as a pre-release must.
    static const std::regex preRelease(".*[0-9](rc|alpha|beta|pre).*", std::regex::icase);
    if (std::regex_match(rpm.version, preRelease))
        refuseUsage(
            "--app-version %s: rpm would take it for newer than the release it comes before "
            "(rpmlint's invalid-version): write the pre-release after a '~', such as 1.0~rc1",
            rpm.version.c_str());
    rpm.release = options.release.empty() ? "1" : options.release;
    if (!std::isalnum(static_cast<unsigned char>(rpm.release[0])) ||
        !isAlphanumericOr(rpm.release, ".+~_"))
        refuseUsage(
            "--linux-app-release %s: give letters, digits, '.', '+', '~' and '_' only, "
            "starting with a letter or digit, such as 1",
            rpm.release.c_str());

    rpm.summary =
        tagValue("--description", packageSummary(options, appName), "\"Editor for hello files\"");
    if (rpm.summary.size() > kLineLimit)
        refuseUsage(
            "--description is %zu characters long: an RPM package's summary is one line of at "
            "most %zu (rpmlint's summary-too-long); say in a few words what the application "
            "does",
            rpm.summary.size(), kLineLimit);
    rpm.license = tagValue("--linux-rpm-license-type",
                           options.licenseType.empty() ? "Unknown" : options.licenseType,
                           "MIT or \"ASL 2.0\"");
    rpm.group = tagValue("--linux-app-category",
                         options.category.empty() ? "Unspecified" : options.category,
                         "Applications/Productivity");
    rpm.url = aboutUrl(options.aboutUrl);
    rpm.vendor = request.metadata.vendor;
    if (!rpm.vendor.empty()) tagValue("--vendor", rpm.vendor, "\"Example Corp\"");
    if (hasControlCharacter(request.metadata.copyright))
        refuseUsage("--copyright holds a line end or another control character: give one line");

    rpm.installDir = linuxInstallDir(options.installDir);
    rpm.imagePath = rpm.installDir + "/" + rpm.package;
    rpm.description = wrapped(imageDescription(appName, rpm.imagePath));
    if (!request.metadata.copyright.empty())
        rpm.description += "\n\n" + wrapped(request.metadata.copyright);
    rpm.extraRequires = packageDependencies(options.packageDeps, checkRequirement);
    rpm.licenseFile = options.licenseFile;
    checkLicenseFile(rpm.licenseFile);

    LinuxDesktop& desktop = rpm.desktop;
    desktop.package = rpm.package;
    desktop.appName = appName;
    desktop.comment = rpm.summary;
    desktop.imagePath = rpm.imagePath;
    desktop.icon = !request.metadata.iconPath.empty();
    desktop.categories = desktopCategories(options.menuGroup);
    desktop.shortcut = options.shortcut;
    desktop.associations = readLinuxFileAssociations(options.fileAssociations);
    return rpm;
}

}  // namespace trellane
