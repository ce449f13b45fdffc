// Class path wildcards with scripted file searches (scripted_primitives.h) against the plain
// reference: the same text, the same searches in the same order, every search closed.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "options/wildcard_expansion.h"
#include "reference_expansions.h"
#include "scripted_primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    using namespace trellane::fuzz;
    FuzzInput input(data, size);
    const PathConventions& conventions = readScript(input);
    const std::string option = input.rest();

    startRun();
    std::string expanded = option;
    expandClassPathWildcards(expanded, conventions, kScriptedPrimitives);
    FUZZ_CHECK(record.openSearches == 0);
    const std::vector<std::string> searched = record.searchPatterns;

    startRun();
    FUZZ_CHECK(expanded == referenceWildcards(option, conventions, kScriptedPrimitives));
    FUZZ_CHECK(record.searchPatterns == searched);
    return 0;
}
