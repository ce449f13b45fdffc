// The application's files as --input holds them, read and checked before anything is
// written: the main jar, the main class, the jars of the class path, and names the target
// can hold.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "package/request/package_request.h"
#include "package/support/file_tree.h"

namespace trellane {

struct AppInput {
    std::vector<TreeEntry> entries;            // everything app/ receives from the input
    std::vector<std::string> jars;             // the input's jars, relative, in listing order
    std::string mainJar;                       // --main-jar, relative to the input
    std::string mainClass;                     // --main-class, or the main jar's Main-Class
    std::vector<std::string> wildcardFolders;  // --class-path-wildcard, relative to the input
    std::string splashImage;                   // the main jar's SplashScreen-Image
    // The main class of each --add-launcher that names a main-jar, by the launcher's name.
    std::map<std::string, std::string> addedMainClasses;
    std::vector<std::string> warnings;
};

// Refuses a missing main jar, a folder where the main jar should be, a file that is not a
// jar, a main class in none of the jars, a wildcard folder that is not there, a class path
// name the launcher would misread, and (for Windows) names Windows cannot hold.
AppInput readAppInput(const PackageRequest& request);

}  // namespace trellane
