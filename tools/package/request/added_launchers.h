// --add-launcher NAME=FILE: more launchers in one image, each described by a properties file
// with jpackage's keys. What a file leaves out, the launcher takes from the main one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/jpackage_values.h"

namespace trellane {

struct AddedLauncher {
    std::string name;
    std::string source;      // the properties file, for messages
    std::string mainJar;     // main-jar: relative to --input
    std::string mainClass;   // main-class: dotted
    std::string mainModule;  // module: "MODULE/CLASS" or "MODULE/"
    std::optional<std::vector<std::string>>
        javaOptions;                                    // java-options, as the launcher takes them
    std::optional<std::vector<std::string>> arguments;  // arguments
    std::string iconPath;                               // icon
    std::string description;                            // description
    std::string version;                                // app-version
    std::optional<bool> console;                        // win-console
    std::optional<bool> winShortcut, winMenu, linuxShortcut;
};

// Reads each NAME=FILE value. Refuses, saying what to write instead, a value without a name
// or a file, a name given twice, a file that cannot be read, an unknown key, a value the key
// cannot take, and main-jar or main-class beside module.
std::vector<AddedLauncher> readAddedLaunchers(const std::vector<std::string>& values,
                                              PathStyle style);

}  // namespace trellane
