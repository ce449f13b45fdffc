// A class path entry "DIR/*" over a real directory of jars, through the platform's own
// directory search: the one expansion that touches the file system.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "example_block.h"
#include "options/wildcard_expansion.h"
#include "platform/platform.h"

namespace trellane::bench {
namespace {

// Directories of empty jars, made once per size and removed when the run ends.
class JarDirectories {
public:
    ~JarDirectories() {
        for (auto& [count, dir] : dirs_) {
            for (int i = 0; i < count; ++i) unlink(jarPath(dir, i).c_str());
            rmdir(dir.c_str());
        }
    }
    const std::string& withJars(int count) {
        std::string& dir = dirs_[count];
        if (!dir.empty()) return dir;
        char name[] = "/tmp/trellane-wildcard-bench-XXXXXX";
        if (mkdtemp(name) == nullptr) std::abort();
        dir = name;
        for (int i = 0; i < count; ++i) {
            int fd = open(jarPath(dir, i).c_str(), O_CREAT | O_WRONLY, 0644);
            if (fd < 0) std::abort();
            close(fd);
        }
        return dir;
    }

private:
    static std::string jarPath(const std::string& dir, int i) {
        return dir + "/library-" + std::to_string(i) + ".jar";
    }
    std::map<int, std::string> dirs_;
};

JarDirectories jarDirectories;

void BM_ExpandClassPathWildcards(benchmark::State& state) {
    const int jars = static_cast<int>(state.range(0));
    const std::string entry = "-Djava.class.path=" + jarDirectories.withJars(jars) + "/*";
    size_t expandedBytes = 0;
    for (auto _ : state) {
        std::string option = entry;
        expandClassPathWildcards(option, platform::pathConventions(),
                                 platform::optionPrimitives());
        expandedBytes = option.size();
        benchmark::DoNotOptimize(option.data());
    }
    // A directory that yielded no jars means the expansion is not doing its work.
    if (expandedBytes < entry.size() + static_cast<size_t>(jars))
        state.SkipWithError("the wildcard expanded to fewer entries than the directory holds");
    reportPerEntry(state, jars, "per_jar");
}
BENCHMARK(BM_ExpandClassPathWildcards)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace trellane::bench
