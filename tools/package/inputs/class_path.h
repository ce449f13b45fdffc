// The class path the launcher is stamped with: the application's jars by their place in
// app/, each behind "&&" (which the launcher turns into its app folder), so the image runs
// wherever it is installed.
#pragma once

#include <string>
#include <vector>

namespace trellane {

constexpr char kRuntimeJarName[] = "trellane-runtime.jar";

struct ClassPathPlan {
    std::string mainJar;                       // relative to app/, '/'-separated; empty
                                               // for a modular application
    std::vector<std::string> jars;             // every jar of the input, in listing order
    std::vector<std::string> wildcardFolders;  // listed as "&&FOLDER/*.jar" instead
    char separator = ':';                      // ';' on Windows
};

// "-Djava.class.path=&&main.jar:&&lib/a.jar:&&plugins/*.jar:&&trellane-runtime.jar": the main
// jar first, then the other jars not directly inside a wildcard folder, then the wildcard
// entries in the order given, then the runtime jar, which the image always has at the top of
// app/ (the input's own copy of it is not listed twice).
std::string classPathOption(const ClassPathPlan& plan);

// The entries of a jar's manifest Class-Path (space-separated relative URLs) that lead out of
// app/, where the jar is at jarPath (relative to app/): absolute paths, URLs with a scheme,
// and "../" beyond app/. The JVM would load those from the user's machine, if at all.
std::vector<std::string> classPathEntriesOutside(const std::string& jarPath,
                                                 const std::string& classPathAttribute);

}  // namespace trellane
