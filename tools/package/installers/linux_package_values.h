// Values every Linux package (.deb, .rpm) takes alike, checked once: where the image installs,
// the menu categories, and the character tests their fields share.
#pragma once

#include <string>

namespace trellane {

// --install-dir as the folder the image goes into (INSTALL_DIR/PACKAGE): /opt by default, or a
// folder in /opt named plainly, trailing '/' dropped. Refuses any other value, saying what to
// give.
std::string linuxInstallDir(const std::string& given);

// --linux-menu-group as a desktop entry's Categories value ("Utility;" by default). Refuses
// a category that is not a plain word.
std::string desktopCategories(const std::string& given);

// Whether text holds a control character (a line end among them).
bool hasControlCharacter(const std::string& text);

// Whether every character of text is a letter, a digit or one of extra.
bool isAlphanumericOr(const std::string& text, const char* extra);

std::string lowerCase(std::string text);

}  // namespace trellane
