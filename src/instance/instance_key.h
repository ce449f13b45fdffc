// Which instance a launch belongs to: the application's identity, as stamped, and the session
// the launch runs in, boiled down to a short key that the platform layer builds its names from
// (with the user's own name beside it).
#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// The identity a main class gives an application that names none: the class itself; of a main
// module's MODULE/CLASS the class, of MODULE/ the module. No '/' is left in it.
std::string identityOfMainClass(const std::string& mainClassName);

// The value of the block's first non-empty -Dtrellane.singleInstance= option, else the main
// class's identity.
std::string instanceIdentity(const LaunchConfig& config);

// 16 lowercase hexadecimal digits: the 64-bit FNV-1a hash of the identity, a line feed and the
// session's name. The same identity and session always give the same key.
std::string instanceKey(const std::string& identity, const std::string& session);

}  // namespace trellane
