#include "instance/instance_key.h"

#include <cstdint>
#include <cstdio>

#include "config/block_format.h"

namespace trellane {

namespace {

uint64_t fnv1a(const std::string& text, uint64_t hash) {
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

}  // namespace

std::string identityOfMainClass(const std::string& mainClassName) {
    size_t slash = mainClassName.find('/');
    if (slash == std::string::npos) return mainClassName;
    std::string className = mainClassName.substr(slash + 1);
    if (!className.empty() && className.find('/') == std::string::npos) return className;
    return mainClassName.substr(0, slash);
}

std::string instanceIdentity(const LaunchConfig& config) {
    const std::string prefix = kSingleInstanceOption;
    for (const std::string& option : config.jvmOptions)
        if (option.compare(0, prefix.size(), prefix) == 0 && option.size() > prefix.size())
            return option.substr(prefix.size());
    return identityOfMainClass(config.mainClassName);
}

std::string instanceKey(const std::string& identity, const std::string& session) {
    const uint64_t hash = fnv1a(identity + "\n" + session, 0xCBF29CE484222325ull);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace trellane
