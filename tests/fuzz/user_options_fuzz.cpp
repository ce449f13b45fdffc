// TRELLANE_JVM_OPTIONS: the tokenizer and the allow-list against a plain reference written
// from docs/launcher.md's rules, and the merge into the option list for every value the launcher
// accepts (a refused one ends the process, which is the unit tests' part).
#include <cstdint>
#include <string>

#include "config/launch_config.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "options/jvm_option_tokenizer.h"
#include "options/user_options.h"

namespace trellane {
namespace {

// Spaces, tabs and line breaks separate options; '...' and "..." group, each kind holding the
// other; a backslash takes the next byte literally, inside quotes too (a last one stays); the
// pieces of one option join; empty options vanish; an open quote refuses the whole value.
TokenizedOptions referenceTokens(const std::string& text) {
    TokenizedOptions result;
    std::string option;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            option += i + 1 < text.size() ? text[++i] : '\\';
        } else if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                option += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
            if (!option.empty()) result.tokens.push_back(option);
            option.clear();
        } else {
            option += c;
        }
    }
    if (quote != 0) return {{}, true};
    if (!option.empty()) result.tokens.push_back(option);
    return result;
}

bool referenceAllows(const std::string& option, const StringList& prefixes) {
    for (const std::string& prefix : prefixes)
        if (option.substr(0, prefix.size()) == prefix) return true;
    return false;
}

void boxMustNotShow(const char*, const char*) {
    FUZZ_CHECK(!"an accepted value shows no box");
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    fuzz::FuzzInput input(data, size);
    StringList prefixes(input.byte() % 4);
    for (std::string& prefix : prefixes) prefix = input.text();
    std::string value = input.rest();
    value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));

    TokenizedOptions tokens = tokenizeJvmOptions(value.c_str());
    TokenizedOptions expected = referenceTokens(value);
    FUZZ_CHECK(tokens.unterminatedQuote == expected.unterminatedQuote);
    FUZZ_CHECK(tokens.tokens == expected.tokens);

    bool allAllowed = true;
    for (const std::string& token : tokens.tokens) {
        bool allowed = isAllowedUserOption(token, prefixes);
        FUZZ_CHECK(allowed == referenceAllows(token, prefixes));
        allAllowed = allAllowed && allowed;
    }

    const bool accepted =
        value.empty() || (!prefixes.empty() && !tokens.unterminatedQuote && allAllowed);
    if (!accepted) return 0;
    LaunchConfig config;
    config.jvmOptions = {"-Dconfigured=1"};
    config.allowedUserOptionPrefixes = prefixes;
    mergeUserJvmOptions(value.c_str(), config, boxMustNotShow);
    StringList merged = {"-Dconfigured=1"};
    merged.insert(merged.end(), tokens.tokens.begin(), tokens.tokens.end());
    FUZZ_CHECK(config.jvmOptions == merged);
    return 0;
}
