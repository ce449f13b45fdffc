#include "stamp/single_instance_option.h"

#include "brand/assembly_identity.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "config/block_format.h"

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
    // A main module's MODULE/CLASS: the class, or the module when its descriptor names it.
    size_t slash = mainClass.find('/');
    if (slash == std::string::npos) return mainClass;
    return slash + 1 < mainClass.size() ? mainClass.substr(slash + 1) : mainClass.substr(0, slash);
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
