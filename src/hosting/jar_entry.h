#pragma once

#include <string>

#include "hosting/file_reader.h"

namespace trellane {

// The bytes of one entry of a jar (a zip file), stored or deflated, found through the central
// directory as the JVM finds a jar's entries. False, with nothing read, when the jar cannot be
// read, has no such entry, stores it another way (zip64, another compression, encryption), or
// its data is damaged or larger than maxSize.
bool readJarEntry(const char* jarPath, const std::string& entryName, const FileReader& files,
                  size_t maxSize, std::string& bytes);

}  // namespace trellane
