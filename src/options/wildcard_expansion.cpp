#include "options/wildcard_expansion.h"

namespace trellane {

void expandClassPathWildcards(std::string& option, const PathConventions& conventions,
                              const OptionPrimitives& primitives) {
    (void)option;
    (void)conventions;
    (void)primitives;  // PENDING
}

}  // namespace trellane
