#include "example_block.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/block_writer.h"

namespace trellane::bench {

namespace {

// The expansions build texts of hundreds of kilobytes. glibc hands blocks that large out as
// fresh mappings and unmaps them on free, so every round would pay the kernel's page faults
// on new memory, a cost the launcher pays once: keep them in the heap, and the figures show
// the launcher's algorithms.
const bool keepLargeBlocks = [] {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    return true;
}();

[[noreturn]] void abortRun(const char* what, const char* detail) {
    std::fprintf(stderr, "micro_bench: %s: %s\n", what, detail);
    std::exit(1);
}

// One "stamp-option value" a line, as trellane-stamp takes them; '#' starts a comment line.
LaunchConfig readExampleFile(const char* path) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) abortRun("cannot read", path);
    LaunchConfig config;
    char line[8192];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::string text(line, std::strcspn(line, "\n"));
        if (text.empty() || text[0] == '#') continue;
        size_t space = text.find(' ');
        std::string key = text.substr(0, space);
        std::string value = space == std::string::npos ? "" : text.substr(space + 1);
        if (key == "main-class") config.mainClassName = value;
        else if (key == "stack-size") config.launchThreadStackSize = std::atoi(value.c_str()) << 20;
        else if (key == "set-up-console") config.setUpConsole = true;
        else if (key == "redirect-appdata") config.redirectAppDataVariables = true;
        else if (key == "jvm-option") config.jvmOptions.push_back(value);
        else if (key == "allow-user-option") config.allowedUserOptionPrefixes.push_back(value);
        else abortRun("unknown key in the example block", key.c_str());
    }
    std::fclose(file);
    return config;
}

}  // namespace

const LaunchConfig& exampleConfig() {
    static const LaunchConfig config = readExampleFile(TRELLANE_BENCH_EXAMPLE_BLOCK);
    return config;
}

LaunchConfig scaledExampleConfig(int tenths) {
    LaunchConfig config = exampleConfig();
    if (tenths >= 10) return config;
    // The class path keeps its first entries, cut at a separator.
    std::string& classPath = config.jvmOptions[0];
    size_t cut = classPath.rfind(':', classPath.size() * tenths / 10);
    classPath.resize(cut);
    config.jvmOptions.resize(1 + (config.jvmOptions.size() - 1) * tenths / 10);
    config.allowedUserOptionPrefixes.resize(
        1 + (config.allowedUserOptionPrefixes.size() - 1) * tenths / 10);
    return config;
}

std::string blockOf(const LaunchConfig& config) {
    std::string block, problem;
    if (!writeBlock(config, block, problem)) abortRun("the block format refuses", problem.c_str());
    return block;
}

void reportPerEntry(benchmark::State& state, double entries, const char* name) {
    state.counters[name] = benchmark::Counter(
        entries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace trellane::bench
