// The JVM options of an application class data sharing archive, which saves start-up time by
// mapping the application's classes instead of loading them.
#pragma once

#include <string>
#include <vector>

#include "package/package_request.h"

namespace trellane {

// The bootstrap class makes the folder this property names before main runs.
constexpr char kArchiveFolderProperty[] = "trellane.cdsFolder";

// --cds auto (runtimes of version 19 and later): the JVM makes the archive when the
// application first ends on the user's machine, in a per-user folder named through the
// launcher's "~/" expansion, and uses it from the next start on. The file is named with the
// version, so an update starts fresh. The JVM cannot make a missing folder: it would end the
// application with an error at exit, so the folder property asks the bootstrap class to make it.
std::vector<std::string> autoArchiveOptions(ImageTarget target, const std::string& name,
                                            const std::string& vendor, const std::string& version);

// --cds on Linux: the training run writes app/NAME.jsa at its end; the image's launcher then
// uses it, and keeps quiet when an image installed elsewhere cannot (the archive holds the
// class path's absolute location).
std::string trainingArchiveOption(const std::string& name);
std::vector<std::string> trainedArchiveOptions(const std::string& name);

}  // namespace trellane
