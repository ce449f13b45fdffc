#include "common/option_hints.h"

#include <algorithm>
#include <cstring>

#include "common/refusal.h"

namespace trellane {

namespace {

// jpackage's options (and the other tool's) that have another name here. An entry naming an
// option becomes "did you mean"; any other text is said as it is. nullptr: no hint for that
// tool, which has the option under the same name or none like it.
struct OptionHint {
    const char* given;
    const char* stamp;
    const char* package;
};

const char kStampMakesLaunchers[] =
    "trellane-stamp stamps, brands and signs a launcher; trellane-package builds an image";

const char kStampModulePath[] =
    "the launcher's module path is a JVM option: --java-options '--module-path $APPDIR/mods'";

const OptionHint kOptionHints[] = {
    {"-m", "--module", nullptr},
    {"--module-path", kStampModulePath, nullptr},
    {"-p", kStampModulePath, nullptr},
    {"--win-console", "--console-app", "--console-app"},
    {"--type", kStampMakesLaunchers, nullptr},
    {"-t", kStampMakesLaunchers, "--type"},
    {"-n", "--name", "--name"},
    {"-d", "--output", "--dest"},
    {"--dest", "--output", nullptr},
    {"-i", "--input", "--input"},
    {"--main-jar", kStampMakesLaunchers, nullptr},
    {"--runtime-image", kStampMakesLaunchers, nullptr},
    {"--app-content", kStampMakesLaunchers, nullptr},
    {"--add-launcher", kStampMakesLaunchers, nullptr},
    {"--add-modules", kStampMakesLaunchers, nullptr},
    {"--jlink-options", kStampMakesLaunchers, nullptr},
    {"--class-path-wildcard", kStampMakesLaunchers, nullptr},
    {"--jvm-option", nullptr, "--java-options"},
    {"--default-argument", nullptr, "--arguments"},
    {"--output", nullptr, "--dest"},
};

// Edits (insertions, deletions, replacements) that turn a into b.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string said(const char* hint) {
    if (hint[0] == '-') return std::string("; did you mean ") + hint + "?";
    return std::string(": ") + hint;
}

}  // namespace

std::string hintForUnknownOption(const std::string& option, const std::vector<std::string>& known) {
    bool stamp = std::strcmp(toolName(), "trellane-stamp") == 0;
    for (const OptionHint& hint : kOptionHints) {
        const char* here = stamp ? hint.stamp : hint.package;
        if (option == hint.given && here != nullptr) return said(here);
    }
    // A typo: a name of the tool's own within two edits, when the name is long enough for two
    // edits not to make it another word.
    const std::string* nearest = nullptr;
    size_t best = 3;
    for (const std::string& name : known) {
        size_t distance = editDistance(option, name);
        if (distance < best && option.size() > 2 * distance + 3) {
            best = distance;
            nearest = &name;
        }
    }
    return nearest != nullptr ? said(nearest->c_str()) : "";
}

}  // namespace trellane
