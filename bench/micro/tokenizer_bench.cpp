// Splitting a TRELLANE_JVM_OPTIONS text into options.
#include <benchmark/benchmark.h>

#include <string>

#include "example_block.h"
#include "options/jvm_option_tokenizer.h"

namespace trellane::bench {
namespace {

// Options of every kind the tokenizer handles (plain, double- and single-quoted, escaped,
// pieces joined), repeated to the requested size.
std::string optionsText(size_t bytes) {
    const std::string piece =
        "-Xmx1g -Dexample.title=\"A title with spaces\" '-Dquoted.single=it is' "
        "-Dpath=/opt/with\\ space/lib -Djoined=\"left\"'right'plain\t-ea\n";
    std::string text;
    while (text.size() + piece.size() <= bytes) text += piece;
    text.append(bytes - text.size(), ' ');
    return text;
}

void BM_TokenizeJvmOptions(benchmark::State& state) {
    const std::string text = optionsText(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        TokenizedOptions options = tokenizeJvmOptions(text.c_str());
        benchmark::DoNotOptimize(options.tokens.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    reportPerEntry(state, static_cast<double>(state.range(0)), "per_byte");
}
// 100 KiB and 1 MiB.
BENCHMARK(BM_TokenizeJvmOptions)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace trellane::bench
