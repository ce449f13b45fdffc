// The example block of bench/example/example_block.txt as a LaunchConfig, whole or cut down,
// and the helpers the micro-benchmarks share.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "config/launch_config.h"

namespace trellane::bench {

// The example block: 22 JVM options (the class path 2,793 bytes), 9 allowed prefixes.
const LaunchConfig& exampleConfig();

// The example cut to about a tenth of its bytes when tenths is 1, whole when it is 10: the
// class path's first entries, the first other options and allowed prefixes, in proportion.
LaunchConfig scaledExampleConfig(int tenths);

// The block writeBlock makes of config; aborts the benchmark run when the format refuses it.
std::string blockOf(const LaunchConfig& config);

// Reports the time of one entry of the input (entries per iteration): the figure that must
// stay flat as the input grows.
void reportPerEntry(benchmark::State& state, double entries, const char* name = "per_entry");

}  // namespace trellane::bench
