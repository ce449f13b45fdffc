// Everything the launcher does with its options before JNI_CreateJavaVM, for blocks like the
// example block: parsing the area, the command-identification option, the user's options, the
// install root and the expansion of every option into the VM initialization arguments.
#include <benchmark/benchmark.h>

#include <jni.h>

#include <string>

#include "config/block_format.h"
#include "config/block_parser.h"
#include "example_block.h"
#include "options/command_option.h"
#include "options/install_root.h"
#include "options/user_options.h"
#include "options/vm_init_args.h"
#include "platform/platform.h"

namespace trellane::bench {
namespace {

void noBox(const char*, const char*) {}

void BM_OptionPipeline(benchmark::State& state) {
    std::string area = blockOf(scaledExampleConfig(static_cast<int>(state.range(0))));
    const size_t blockBytes = area.size();
    area.resize(kConfigAreaSize - 1, kUnstampedFill);
    area.push_back('\0');
    const char* arguments[] = {"--open", "/home/someone/Documents/report.example"};
    const PathConventions& conventions = platform::pathConventions();
    for (auto _ : state) {
        LaunchConfig config;
        parseLaunchConfig(reinterpret_cast<const unsigned char*>(area.data()), area.size(),
                          config);
        config.jvmOptions.push_back(buildCommandOption(2, arguments, config));
        mergeUserJvmOptions("-Xmx3g", config, noBox);
        std::string installRoot = installRootOf("/opt/example-desktop/bin/example-desktop",
                                                conventions.dirSeparator);
        ExpansionContext context{appDirOf(installRoot, conventions.dirSeparator), conventions,
                                 &platform::optionPrimitives()};
        JavaVMInitArgs initArgs{};
        buildVmInitArgs(initArgs, config.jvmOptions, context, false);
        benchmark::DoNotOptimize(initArgs.options[0].optionString);
        delete[] initArgs.options;  // the launcher keeps them for the life of the process
    }
    reportPerEntry(state, static_cast<double>(blockBytes), "per_block_byte");
}
// 1: about a tenth of the example block; 10: the example block itself.
BENCHMARK(BM_OptionPipeline)->Arg(1)->Arg(10);

}  // namespace
}  // namespace trellane::bench
