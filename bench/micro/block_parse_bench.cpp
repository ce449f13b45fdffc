// Parsing the configuration area: what runs in the launcher's static initializer.
#include <benchmark/benchmark.h>

#include <string>

#include "config/block_format.h"
#include "config/block_parser.h"
#include "example_block.h"

namespace trellane::bench {
namespace {

// An area holding count JVM options of about 50 bytes each; 255 fill most of the area.
std::string areaWithOptions(int count) {
    LaunchConfig config = exampleConfig();
    config.jvmOptions.clear();
    for (int i = 0; i < count; ++i)
        config.jvmOptions.push_back("-Dexample.property." + std::to_string(i) +
                                    "=a value of some thirty bytes");
    std::string area = blockOf(config);
    area.resize(kConfigAreaSize - 1, kUnstampedFill);
    area.push_back('\0');
    return area;
}

void parseEachIteration(benchmark::State& state, const std::string& area) {
    for (auto _ : state) {
        LaunchConfig config;
        const char* problem = parseLaunchConfig(
            reinterpret_cast<const unsigned char*>(area.data()), area.size(), config);
        benchmark::DoNotOptimize(problem);
        benchmark::DoNotOptimize(config.jvmOptions.data());
    }
}

void BM_ParseBlock(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string area = areaWithOptions(count);
    parseEachIteration(state, area);
    reportPerEntry(state, count, "per_option");
}
BENCHMARK(BM_ParseBlock)->Arg(25)->Arg(255);

void BM_ParseExampleBlock(benchmark::State& state) {
    std::string area = blockOf(exampleConfig());
    const size_t blockBytes = area.size();
    area.resize(kConfigAreaSize - 1, kUnstampedFill);
    area.push_back('\0');
    parseEachIteration(state, area);
    reportPerEntry(state, static_cast<double>(blockBytes), "per_byte");
}
BENCHMARK(BM_ParseExampleBlock);

}  // namespace
}  // namespace trellane::bench
