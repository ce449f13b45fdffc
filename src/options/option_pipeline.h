#pragma once

#include <string>

#include "options/option_primitives.h"

namespace trellane {

// Everything the expansions of one launch share.
struct ExpansionContext {
    std::string appDir;
    PathConventions conventions;
    const OptionPrimitives* primitives;
};

// Rewrites one JVM option in place: "&&", then the system directory placeholder, then the
// home shorthand, then class path wildcards. Always in this order.
void expandOption(std::string& option, const ExpansionContext& context);

}  // namespace trellane
