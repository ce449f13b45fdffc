// The configuration area and the process-wide LaunchConfig parsed from it.
#include "common/fail_fatal.h"
#include "config/block_format.h"
#include "config/block_parser.h"

namespace trellane {

namespace {

struct ConfigArea {
    unsigned char bytes[kConfigAreaSize];
};

constexpr ConfigArea unstampedArea() {
    ConfigArea area{};
    for (size_t i = 0; i + 1 < kConfigAreaSize; ++i) area.bytes[i] = kUnstampedFill;
    area.bytes[kConfigAreaSize - 1] = 0;
    return area;
}

}  // namespace

// trellane-stamp finds this run of underscores in the executable file and overwrites it, so
// it must reach the read-only data exactly as written, once, and never be folded into the
// code that reads it.
extern const ConfigArea configArea;
__attribute__((used)) const ConfigArea configArea = unstampedArea();

static LaunchConfig loadLaunchConfig() {
    const unsigned char* area = configArea.bytes;
    // The compiler knows the constant's value; this keeps it from parsing the unstamped
    // area at compile time instead of the stamped one at run time.
    __asm__("" : "+r"(area));
    LaunchConfig config;
    if (const char* problem = parseLaunchConfig(area, kConfigAreaSize, config))
        failFatal("%s", problem);
    return config;
}

// Built before main; the runtime registers its destruction to run at exit.
LaunchConfig launchConfig = loadLaunchConfig();

}  // namespace trellane
