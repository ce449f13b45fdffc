#include "common/option_hints.h"

#include <gtest/gtest.h>

#include "common/refusal.h"

namespace trellane {
namespace {

TEST(OptionHints, NamesTheOptionMeantHere) {
    const std::vector<std::string> stampNames = {"--main-class", "--java-options", "--output",
                                                 "--console-app", "--name"};
    const std::vector<std::string> packageNames = {"--main-class", "--main-jar", "--dest",
                                                   "--console-app", "--java-options"};
    struct Case {
        const char* tool;
        const char* option;
        const char* hint;
    } cases[] = {
        {"trellane-stamp", "--win-console", "; did you mean --console-app?"},
        {"trellane-package", "--win-console", "; did you mean --console-app?"},
        {"trellane-stamp", "--dest", "; did you mean --output?"},
        {"trellane-package", "-d", "; did you mean --dest?"},
        {"trellane-package", "--jvm-option", "; did you mean --java-options?"},
        // --type is trellane-package's own (image kinds); a typo of nothing here.
        {"trellane-package", "--type", ""},
        {"trellane-stamp", "--main-jar",
         ": trellane-stamp stamps, brands and signs a launcher; trellane-package builds an "
         "image"},
        // Typos: within two edits of a name long enough to tell.
        {"trellane-stamp", "--mainclass", "; did you mean --main-class?"},
        {"trellane-package", "--main-jars", "; did you mean --main-jar?"},
        {"trellane-stamp", "--nam", ""},
        {"trellane-package", "--bogus", ""},
    };
    for (const Case& c : cases) {
        setToolName(c.tool);
        bool stamp = std::string(c.tool) == "trellane-stamp";
        EXPECT_EQ(hintForUnknownOption(c.option, stamp ? stampNames : packageNames), c.hint)
            << c.tool << " " << c.option;
    }
    setToolName("trellane");
}

}  // namespace
}  // namespace trellane
