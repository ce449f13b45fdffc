#include "stamp/single_instance_option.h"

#include "brand/assembly_identity.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "config/block_format.h"
#include "instance/instance_key.h"

namespace trellane {

namespace {

constexpr size_t kLongestInstanceIdentity = 255;

bool isIdentityCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '$';
}

}  // namespace

std::string chooseInstanceIdentity(const std::string& given, const AppMetadata& metadata,
                                   const std::string& name, const std::string& mainClass) {
    if (!given.empty()) return given;
    if (!metadata.identity.empty()) return metadata.identity;
    std::string derived = deriveIdentity(metadata.vendor, name);
    if (!derived.empty()) return derived;
    // The launcher's own rule for a block that names none.
    return identityOfMainClass(mainClass);
}

void stampInstanceIdentity(LaunchConfig& config, const std::string& identity) {
    bool usable = !identity.empty() && identity.size() <= kLongestInstanceIdentity;
    for (char c : identity) usable = usable && isIdentityCharacter(c);
    if (!usable)
        refuse(
            "'%s' cannot be the single-instance identity: it takes 1 to 255 of the ASCII letters "
            "and digits and . _ - $; give one with --single-instance=ID, such as "
            "Vendor.App",
            shownName(identity).c_str());
    config.jvmOptions.push_back(kSingleInstanceOption + identity);
}

void dropInstanceOption(LaunchConfig& config) {
    const std::string prefix = kSingleInstanceOption;
    StringList& options = config.jvmOptions;
    for (auto it = options.begin(); it != options.end();)
        it = it->compare(0, prefix.size(), prefix) == 0 ? options.erase(it) : it + 1;
    config.singleInstance = false;
}

void refuseInstanceOptionAmong(const StringList& jvmOptions) {
    const std::string property(kSingleInstanceOption, sizeof kSingleInstanceOption - 2);
    for (const std::string& option : jvmOptions)
        if (option.compare(0, property.size(), property) == 0 &&
            (option.size() == property.size() || option[property.size()] == '='))
            refuse(
                "the JVM option %s is --single-instance's to set: give --single-instance=ID "
                "instead",
                shownName(option).c_str());
}

}  // namespace trellane
