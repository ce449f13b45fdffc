#pragma once

#include <string>

#include "options/option_primitives.h"

namespace trellane {

// Replaces class path entries ending in "*" or "*.jar" with the files they match.
void expandClassPathWildcards(std::string& option, const PathConventions& conventions,
                              const OptionPrimitives& primitives);

}  // namespace trellane
