#include "package/installers/linux_package_values.h"

#include <cctype>

#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/text_split.h"

namespace trellane {

bool isAlphanumericOr(const std::string& text, const char* extra) {
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string(extra).find(c) == std::string::npos)
            return false;
    return true;
}

bool hasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string linuxPackageName(const LinuxPackageOptions& options, const std::string& appName,
                             std::string (*nameProblem)(const std::string&)) {
    std::string package = options.packageName.empty() ? lowerCase(appName) : options.packageName;
    std::string problem = nameProblem(package);
    if (!problem.empty()) {
        if (options.packageName.empty())
            refuse(
                "the package name \"%s\" (--name in lower case) %s: give one with "
                "--linux-package-name",
                package.c_str(), problem.c_str());
        refuseUsage("--linux-package-name %s %s: give a name such as my-app", package.c_str(),
                    problem.c_str());
    }
    return package;
}

std::string linuxInstallDir(const std::string& given) {
    std::string dir = given.empty() ? "/opt" : given;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    // Names of letters, digits and "._+-" only: the menu entry and the package's notes name
    // the folder as it is.
    if (dir.empty() || dir[0] != '/' || dir == "/" || !isAlphanumericOr(dir, "/._+-") ||
        dir.find("//") != std::string::npos || dir.find("/./") != std::string::npos ||
        dir.find("/../") != std::string::npos || dir.size() < 2 ||
        dir.compare(dir.size() - 2, 2, "/.") == 0 ||
        (dir.size() >= 3 && dir.compare(dir.size() - 3, 3, "/..") == 0))
        refuseUsage(
            "--install-dir %s: give an absolute folder named with letters, digits, '.', '_', "
            "'+' and '-', such as /opt (the default)",
            given.c_str());
    // /opt is the system's place for software packaged outside the distribution; the package
    // checkers count a package's files anywhere else outside its own hierarchy as errors.
    if (dir != "/opt" && dir.compare(0, 5, "/opt/") != 0)
        refuse(
            "--install-dir %s: a package of an application with its own runtime installs in "
            "/opt, the system's folder for software from outside the distribution: give /opt "
            "(the default) or a folder in it, such as /opt/example",
            given.c_str());
    return dir;
}

std::string desktopCategories(const std::string& given) {
    if (given.empty()) return "Utility;";
    std::string categories;
    for (const std::string& item : splitWords(given, ";")) {
        if (!isAlphanumericOr(item, "-_"))
            refuseUsage(
                "--linux-menu-group %s: give desktop menu categories such as Utility, "
                "Development or Office, ';'-separated",
                given.c_str());
        categories += item + ";";
    }
    if (categories.empty())
        refuseUsage("--linux-menu-group is empty: give a category such as Utility");
    return categories;
}

std::vector<std::string> packageDependencies(const std::vector<std::string>& given,
                                             void (*check)(const std::string&)) {
    std::vector<std::string> relations;
    for (const std::string& value : given) {
        if (hasControlCharacter(value))
            refuseUsage(
                "--linux-package-deps holds a control character: give package names, "
                "','-separated");
        for (const std::string& relation : splitWords(value, ",")) {
            size_t begin = relation.find_first_not_of(" \t");
            if (begin == std::string::npos) continue;
            relations.push_back(
                relation.substr(begin, relation.find_last_not_of(" \t") + 1 - begin));
            if (check != nullptr) check(relations.back());
        }
    }
    return relations;
}

std::string aboutUrl(const std::string& given) {
    if (!given.empty() &&
        ((given.compare(0, 7, "http://") != 0 && given.compare(0, 8, "https://") != 0) ||
         given.find_first_of(" \t") != std::string::npos || hasControlCharacter(given)))
        refuseUsage("--about-url %s: give an http:// or https:// address", given.c_str());
    return given;
}

void checkLicenseFile(const std::string& licenseFile) {
    std::string problem;
    if (!licenseFile.empty() && !checkRegularFile(licenseFile, kMaxDocumentSize, problem))
        refuse("cannot read --license-file %s: %s; give the license's text file",
               licenseFile.c_str(), problem.c_str());
}

// jpackage describes the package by the application's name, which the package checkers take for
// no description at all: so by default the summary says what the application is.
std::string packageSummary(const LinuxPackageOptions& options, const std::string& appName) {
    return options.description.empty() ? "Java application " + appName : options.description;
}

std::string imageDescription(const std::string& appName, const std::string& imagePath) {
    return appName + " with its own Java runtime, installed in " + imagePath + ".";
}

}  // namespace trellane
