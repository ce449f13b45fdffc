#include "package/image/stack_option.h"

#include <cctype>

#include "common/refusal.h"

namespace trellane {

namespace {

constexpr uint64_t kLargestJvmStack = 1024 * 1024 * 1024;

// The JVM's size syntax: decimal digits and an optional unit, k, m, g or t in either case.
bool parseJvmSize(const std::string& text, uint64_t& bytes) {
    size_t digits = 0;
    bytes = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        bytes = bytes * 10 + static_cast<uint64_t>(text[digits] - '0');
        if (bytes > kLargestJvmStack) bytes = kLargestJvmStack + 1;  // no overflow, still too big
        ++digits;
    }
    if (digits == 0 || text.size() > digits + 1) return false;
    if (digits == text.size()) return true;
    int shift = 0;
    switch (std::tolower(static_cast<unsigned char>(text.back()))) {
        case 'k':
            shift = 10;
            break;
        case 'm':
            shift = 20;
            break;
        case 'g':
            shift = 30;
            break;
        case 't':
            shift = 40;
            break;
        default:
            return false;
    }
    // Still too big, without shifting bits out of the number.
    bytes = bytes > (kLargestJvmStack >> shift) ? kLargestJvmStack + 1 : bytes << shift;
    return true;
}

}  // namespace

uint32_t stackSizeOfJavaOptions(const LaunchConfig& config) {
    const std::string prefix = "-Xss";
    const std::string* last = nullptr;
    for (const std::string& option : config.jvmOptions)
        if (option.compare(0, prefix.size(), prefix) == 0) last = &option;
    if (last == nullptr) return config.launchThreadStackSize;
    uint64_t bytes = 0;
    if (!parseJvmSize(last->substr(prefix.size()), bytes))
        refuse(
            "--java-options %s is not a stack size the JVM reads: give -Xss and a number of "
            "bytes, or a number and k, m or g",
            last->c_str());
    if (bytes > kLargestJvmStack)
        refuse("--java-options %s asks for more than 1g, the largest stack the JVM gives a thread",
               last->c_str());
    return static_cast<uint32_t>(bytes);
}

}  // namespace trellane
