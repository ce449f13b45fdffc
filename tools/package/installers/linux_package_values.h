// Values every Linux package (.deb, .rpm) takes alike, checked once: the package's name, where
// the image installs, the menu categories, the dependencies added by hand, the address, the
// license, the descriptions, and the character tests their fields share.
#pragma once

#include <string>
#include <vector>

#include "package/request/linux_package_options.h"

namespace trellane {

// The package's name: --linux-package-name, or else --name in lower case, as jpackage names it.
// Refuses, saying what to give, a name in which nameProblem (the package format's rule: empty
// when it may name a package, otherwise why not) finds a fault.
std::string linuxPackageName(const LinuxPackageOptions& options, const std::string& appName,
                             std::string (*nameProblem)(const std::string&));

// --install-dir as the folder the image goes into (INSTALL_DIR/PACKAGE): /opt by default, or a
// folder in /opt named plainly, trailing '/' dropped. Refuses any other value, saying what to
// give.
std::string linuxInstallDir(const std::string& given);

// --linux-menu-group as a desktop entry's Categories value ("Utility;" by default). Refuses
// a category that is not a plain word.
std::string desktopCategories(const std::string& given);

// --linux-package-deps as relations, one each, the blanks around them dropped; check, when
// given, refuses a relation the package's format would not take. Refuses a control character.
std::vector<std::string> packageDependencies(const std::vector<std::string>& given,
                                             void (*check)(const std::string&) = nullptr);

// --about-url, empty or checked: an http:// or https:// address, one word. Refuses any other.
std::string aboutUrl(const std::string& given);

// Refuses a --license-file that cannot be read as the license's text file.
void checkLicenseFile(const std::string& licenseFile);

// The package's one-line description: --description, or else what the application is.
std::string packageSummary(const LinuxPackageOptions& options, const std::string& appName);

// What the package's longer description says of it: "NAME with its own Java runtime, installed
// in /opt/PACKAGE."
std::string imageDescription(const std::string& appName, const std::string& imagePath);

// Whether text holds a control character (a line end among them).
bool hasControlCharacter(const std::string& text);

// Whether every character of text is a letter, a digit or one of extra.
bool isAlphanumericOr(const std::string& text, const char* extra);

std::string lowerCase(std::string text);

}  // namespace trellane
