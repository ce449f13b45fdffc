// What the packaging steps read of a jar: its entry names and its manifest's main attributes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/inputs/module_descriptor.h"

namespace trellane {

struct JarFile {
    std::vector<std::string> entries;
    std::string manifest;  // META-INF/MANIFEST.MF's main section, empty when the jar has none
};

// Reads path as a zip archive, and of its manifest the main section (what precedes the first
// blank line, 4 MiB at most). False with the problem, to follow the jar's name in a message
// ("is not a jar (a zip archive): ...", "declares a manifest of ...") when it is not a zip
// archive or its manifest cannot be read whole or is larger than Java reads.
bool readJar(const std::string& path, JarFile& jar, std::string& problem);

// A main attribute of a manifest ("Main-Class", "Class-Path"): the value in the main section,
// continuation lines joined; empty when absent. Names match without regard to case.
std::string manifestAttribute(const std::string& manifest, const std::string& name);

// The descriptor a modular jar declares in its module-info.class (in its root, else in the
// newest version folder); an empty name for a plain jar, or one that cannot be read.
// prefix: the folder of the jar the descriptor is in ("classes/" in a jmod); offset: where
// the zip archive starts in the file (after a jmod's four-byte header).
ModuleDescriptor jarModuleDescriptor(const std::string& path, const std::string& prefix = "",
                                     uint64_t offset = 0);

// jarModuleDescriptor(path).name.
std::string jarModuleName(const std::string& path);

// Whether the jar holds the class (dotted name), in its root or as a multi-release version.
bool jarHoldsClass(const JarFile& jar, const std::string& className);

}  // namespace trellane
