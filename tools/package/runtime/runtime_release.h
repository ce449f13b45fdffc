// A Java runtime's "release" file: KEY="VALUE" lines that say for which system and of which
// version the runtime is, read before anything of it is copied.
#pragma once

#include <map>
#include <string>

namespace trellane {

// The keys and values of a release file, quotes removed.
std::map<std::string, std::string> parseReleaseFile(const std::string& text);

// The release file of the runtime or JDK at home, parsed; empty when there is none. Refuses one
// that is not a regular file of a release file's size (a FIFO would hold the command forever).
std::map<std::string, std::string> readReleaseFile(const std::string& home);

// The feature version of a JAVA_VERSION value: 17 for "17.0.15", 8 for "1.8.0_392", 21 for
// "21" or "21-ea"; 0 when it is none.
int javaFeatureVersion(const std::string& javaVersion);

}  // namespace trellane
