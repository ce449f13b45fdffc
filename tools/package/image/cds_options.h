// The JVM options of an application class data sharing archive, which saves start-up time by
// mapping the application's classes instead of loading them, and of the ahead-of-time cache
// that takes its place from runtime version 24 on, which also keeps them linked.
#pragma once

#include <string>
#include <vector>

#include "package/request/package_request.h"

namespace trellane {

// The bootstrap class makes the folder this property names before main runs.
constexpr char kArchiveFolderProperty[] = "trellane.cdsFolder";

// The first runtime version with the ahead-of-time cache and its two-step making: a recording
// run, then a run that only creates the cache.
constexpr int kFirstAotCacheVersion = 24;

// --cds auto (runtimes of version 19 and later): the JVM makes the archive when the
// application first ends on the user's machine, in a per-user folder named through the
// launcher's "~/" expansion, and uses it from the next start on. The file is named with the
// version, so an update starts fresh. The JVM cannot make a missing folder: it would end the
// application with an error at exit, so the folder property asks the bootstrap class to make it.
// The JVM's archive messages are turned off: the first start prints a line for every class
// it cannot archive, on standard output, among the application's own.
std::vector<std::string> autoArchiveOptions(ImageTarget target, int runtimeVersion,
                                            const std::string& name, const std::string& vendor,
                                            const std::string& version);

// --cds on Linux, runtimes before version 24: the training run writes app/NAME.jsa at its
// end; the image's launcher then uses it, and keeps quiet when an image installed elsewhere
// cannot (the archive holds the class path's absolute location).
std::string trainingArchiveOption(const std::string& name);
std::vector<std::string> trainedArchiveOptions(const std::string& name);

// --cds on Linux, runtimes of version 24 and later: the training run records what the
// application loads and links in app/NAME.aotconf; a second run of the launcher creates
// app/NAME.aot from it without running the application (neither needs the runtime's java
// command, which an image does not carry); the image's launcher then uses the cache, found
// through "&&" wherever the image is, and keeps quiet when it cannot.
std::vector<std::string> aotRecordingOptions(const std::string& name);
std::vector<std::string> aotCreationOptions(const std::string& name);
std::vector<std::string> aotCacheOptions(int runtimeVersion, const std::string& name);

}  // namespace trellane
