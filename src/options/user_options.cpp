#include "options/user_options.h"

#include "common/error_box.h"
#include "common/fail_fatal.h"
#include "options/jvm_option_tokenizer.h"
#include "platform/platform.h"

namespace trellane {

bool isAllowedUserOption(const std::string& option, const StringList& prefixes) {
    for (const std::string& prefix : prefixes) {
        if (prefix.size() <= option.size() && option.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

void mergeUserJvmOptions(const char* value, LaunchConfig& config, ErrorBoxFunction showBox) {
    if (value == nullptr || *value == 0) return;
    // Checked before splitting: even a value of blanks is a mistake when the packager has not
    // opened the door, and saying so beats silently ignoring it.
    if (config.allowedUserOptionPrefixes.empty())
        failFatal("TRELLANE_JVM_OPTIONS is not enabled for this app.");

    TokenizedOptions options = tokenizeJvmOptions(value);
    if (options.unterminatedQuote) failFatal("Unterminated quote in TRELLANE_JVM_OPTIONS.");

    for (std::string& token : options.tokens) {
        if (isAllowedUserOption(token, config.allowedUserOptionPrefixes)) {
            config.jvmOptions.push_back(std::move(token));
            continue;
        }
        const std::string message = "Disallowed JVM option in TRELLANE_JVM_OPTIONS: " + token;
        if (!config.isConsoleApp) showBox("Invalid JVM option", message.c_str());
        // The token is the user's text: a '%' in it is printed, never interpreted.
        failFatal("%s", message.c_str());
    }
}

void mergeUserJvmOptions(LaunchConfig& config) {
    mergeUserJvmOptions(platform::optionPrimitives().getEnv("TRELLANE_JVM_OPTIONS"), config,
                        showErrorBox);
}

}  // namespace trellane
