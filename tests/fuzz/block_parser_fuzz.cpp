// The block parser and the block writer, both ways round: any bytes the parser accepts are
// written back as the same block (the reserved flag bits aside), and any configuration the
// writer accepts parses back unchanged from a stamped area.
#include <cstdint>
#include <string>

#include "config/block_format.h"
#include "config/block_parser.h"
#include "config/block_writer.h"
#include "fuzz_check.h"
#include "fuzz_input.h"

namespace trellane {
namespace {

bool operator==(const LaunchConfig& a, const LaunchConfig& b) {
    return a.useMainThread == b.useMainThread && a.isConsoleApp == b.isConsoleApp &&
           a.setUpConsole == b.setUpConsole &&
           a.redirectAppDataVariables == b.redirectAppDataVariables &&
           a.launchThreadStackSize == b.launchThreadStackSize &&
           a.mainClassName == b.mainClassName && a.jvmOptions == b.jvmOptions &&
           a.defaultAppArguments == b.defaultAppArguments &&
           a.allowedUserOptionPrefixes == b.allowedUserOptionPrefixes;
}

unsigned char knownFlagBits() {
    unsigned char known = 0;
    for (const FlagBit& bit : kFlagBits) known |= bit.mask;
    return known;
}

// The input as an area of its own size: what parses must write back as its first bytes.
void parseThenWrite(const uint8_t* data, size_t size) {
    LaunchConfig config;
    if (parseLaunchConfig(data, size, config) != nullptr) return;
    std::string block, problem;
    if (!writeBlock(config, block, problem)) {
        // Only a block larger than the launcher's area, which this input may be, is refused.
        FUZZ_CHECK(size > kConfigAreaSize);
        return;
    }
    FUZZ_CHECK(block.size() <= size);
    FUZZ_CHECK(static_cast<unsigned char>(block[0]) == (data[0] & knownFlagBits()));
    FUZZ_CHECK(block.compare(1, std::string::npos, reinterpret_cast<const char*>(data) + 1,
                             block.size() - 1) == 0);
}

StringList listFrom(fuzz::FuzzInput& input) {
    StringList list(input.byte() % 6);
    for (std::string& entry : list) entry = input.text();
    return list;
}

// A configuration read from the input: what the writer takes must parse back as it was.
void writeThenParse(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    LaunchConfig config;
    const unsigned char flags = input.byte();
    for (const FlagBit& bit : kFlagBits) config.*bit.field = (flags & bit.mask) != 0;
    for (int i = 0; i < 4; ++i)
        config.launchThreadStackSize = config.launchThreadStackSize << 8 | input.byte();
    config.mainClassName = input.longText();
    config.jvmOptions = listFrom(input);
    config.defaultAppArguments = listFrom(input);
    config.allowedUserOptionPrefixes = listFrom(input);

    std::string block, problem;
    if (!writeBlock(config, block, problem)) {
        FUZZ_CHECK(!problem.empty());
        return;
    }
    // The block, then the area as built: underscores up to its final NUL (which a block of
    // the whole area ends on).
    std::string area = block + std::string(kConfigAreaSize - block.size(), kUnstampedFill);
    area.back() = '\0';
    LaunchConfig parsed;
    FUZZ_CHECK(parseLaunchConfig(reinterpret_cast<const unsigned char*>(area.data()),
                                 kConfigAreaSize, parsed) == nullptr);
    FUZZ_CHECK(parsed == config);
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trellane::parseThenWrite(data, size);
    trellane::writeThenParse(data, size);
    return 0;
}
