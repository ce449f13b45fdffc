#pragma once

#include <string>

#include "options/option_primitives.h"

namespace trellane {

using EnvLookup = const char* (*)(const char* name);

// Replaces "~/" behind '=' or the list separator, and at the option's start, with the home
// directory and a directory separator.
void expandUserHome(std::string& option, const PathConventions& conventions, EnvLookup getEnv);

}  // namespace trellane
