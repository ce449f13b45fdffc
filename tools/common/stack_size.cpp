#include "common/stack_size.h"

#include <cctype>

#include "common/refusal.h"

namespace trellane {

namespace {

uint64_t unitOf(char suffix) {
    switch (std::tolower(static_cast<unsigned char>(suffix))) {
        case 'k':
            return 1024;
        case 'm':
            return 1024 * 1024;
        default:
            return 0;
    }
}

}  // namespace

uint32_t parseStackSize(const std::string& text) {
    std::string digits = text;
    uint64_t unit = 1;
    if (!digits.empty() && !std::isdigit(static_cast<unsigned char>(digits.back()))) {
        unit = unitOf(digits.back());
        digits.pop_back();
    }
    bool wellFormed = unit != 0 && !digits.empty();
    for (char c : digits) wellFormed = wellFormed && std::isdigit(static_cast<unsigned char>(c));
    if (!wellFormed)
        refuseUsage("--stack-size '%s' is not a size: give bytes, or a whole number and k or m",
                    text.c_str());

    // Stops growing once past the limit, so no digit string can overflow the arithmetic.
    uint64_t bytes = 0;
    for (char c : digits) {
        bytes = bytes * 10 + static_cast<uint64_t>(c - '0');
        if (bytes > UINT32_MAX) break;
    }
    bytes *= unit;
    if (bytes > UINT32_MAX)
        refuse("--stack-size '%s' is over 4294967295 bytes, the most the block holds",
               text.c_str());
    return static_cast<uint32_t>(bytes);
}

}  // namespace trellane
