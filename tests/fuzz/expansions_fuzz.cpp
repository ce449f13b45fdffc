// The option expansions one by one and the whole pipeline, with the system played from a
// script (scripted_primitives.h), against the plain references of reference_expansions.h:
// "&&", the system directory (which may change between queries), the home shorthand with the
// variable unset, empty or set, and the class path wildcards after them.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "options/app_dir_expansion.h"
#include "options/home_expansion.h"
#include "options/option_pipeline.h"
#include "options/system_path_expansion.h"
#include "reference_expansions.h"
#include "scripted_primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    using namespace trellane::fuzz;
    FuzzInput input(data, size);
    const PathConventions& conventions = readScript(input);
    const std::string appDir = input.text();
    const std::string option = input.rest();
    const char* home = script.homeSet ? script.home.c_str() : nullptr;

    std::string expanded = option;
    expandAppDir(expanded, appDir);
    FUZZ_CHECK(expanded == referenceAppDir(option, appDir));

    startRun();
    expanded = option;
    expandWindowsSystemPath(expanded, scriptedSystemDirectory);
    // Only an option with the placeholder asks the system.
    FUZZ_CHECK((record.systemQueries > 0) ==
               (option.find("<windows-system-path>") != std::string::npos));
    FUZZ_CHECK(expanded == referenceSystemPath(option, record.systemDirectoryWritten));

    expanded = option;
    expandUserHome(expanded, conventions, scriptedGetEnv);
    FUZZ_CHECK(expanded == referenceHome(option, conventions, home));

    startRun();
    expanded = option;
    const ExpansionContext context{appDir, conventions, &kScriptedPrimitives};
    expandOption(expanded, context);
    FUZZ_CHECK(record.openSearches == 0);
    const Record pipeline = record;
    startRun();
    std::string expected = referenceAppDir(option, appDir);
    expected = referenceSystemPath(expected, pipeline.systemDirectoryWritten);
    expected = referenceHome(expected, conventions, home);
    expected = referenceWildcards(expected, conventions, kScriptedPrimitives);
    FUZZ_CHECK(expanded == expected);
    FUZZ_CHECK(record.searchPatterns == pipeline.searchPatterns);
    return 0;
}
