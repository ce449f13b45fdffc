// "~/" in a list of class path entries, each one replaced by the home directory.
#include <benchmark/benchmark.h>

#include <string>

#include "example_block.h"
#include "options/home_expansion.h"
#include "platform/platform.h"

namespace trellane::bench {
namespace {

const char* fixedHome(const char*) { return "/home/someone-with-a-longer-name"; }

void BM_ExpandUserHome(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    std::string listed = "-Djava.class.path=";
    for (int i = 0; i < entries; ++i) {
        if (i > 0) listed += platform::pathConventions().listSeparator;
        listed += "~/lib/library-" + std::to_string(i) + ".jar";
    }
    for (auto _ : state) {
        std::string option = listed;  // the copy is part of every round; it is small beside
        expandUserHome(option, platform::pathConventions(), fixedHome);
        benchmark::DoNotOptimize(option.data());
    }
    reportPerEntry(state, entries);
}
BENCHMARK(BM_ExpandUserHome)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace trellane::bench
