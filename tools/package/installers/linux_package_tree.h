// A Linux package's tree as the .deb and the .rpm build it: the files beside the image, written
// with their folders, and the permissions the package manager installs.
#pragma once

#include <cstdint>
#include <string>

namespace trellane {

// The program's path; refuses when it is missing, naming Debian's package that has it.
std::string requirePackagingProgram(const char* type, const char* name, const char* package);

// Makes root/relative and the folders on the way that are missing.
void makeTreeFolders(const std::string& root, const std::string& relative);

// Writes root/relative (a new file), its folders made when missing.
void writeTreeFile(const std::string& root, const std::string& relative, const std::string& text);

// Moves the image built at image (in the temporary folder) into the package's tree at root,
// to root + imagePath ("/opt/hello"), making the folders on the way.
void moveImageIntoTree(const std::string& image, const std::string& root,
                       const std::string& imagePath);

// The text of --license-file, which the package installs beside the image; empty without one.
std::string licenseText(const std::string& licenseFile);

// Whether path is an ELF file: a program or a shared library.
bool isElfFileAt(const std::string& path);

// The package's permissions for its files: folders, and programs and scripts that were
// executable, 0755; every other file 0644, whatever the build machine's umask and the input's
// own bits were (a data file marked executable is not a program). Symbolic links (jlink links
// each module's copy of a shared legal notice to java.base's) are left as they are: changing
// one would change what it points to. With executableLibraries, shared libraries are 0755
// too, as RPM systems install them (their dependency finders and rpmlint look for it).
// Returns the installed size in KiB as dpkg counts it: each file's size rounded up, and one
// for every folder and link.
uint64_t settlePermissions(const std::string& root, bool executableLibraries = false);

// When the package says it was made: SOURCE_DATE_EPOCH for a reproducible build, else now.
int64_t packagingTime();

}  // namespace trellane
