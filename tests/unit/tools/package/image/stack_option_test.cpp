#include "package/image/stack_option.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

LaunchConfig withOptions(std::vector<std::string> options, uint32_t stackSize = 0) {
    LaunchConfig config;
    config.jvmOptions = std::move(options);
    config.launchThreadStackSize = stackSize;
    return config;
}

TEST(StackSizeOfJavaOptions, ReadsTheLastXssAsTheJvmDoes) {
    const struct {
        std::vector<std::string> options;
        uint32_t bytes;
    } cases[] = {
        {{"-Xss64m"}, 64u << 20},
        {{"-Xss1G"}, 1u << 30},
        {{"-Xss512k", "-Xmx1g"}, 512u << 10},
        {{"-Xss8m", "-Dx=-Xss1m", "-Xss2M"}, 2u << 20},
        {{"-Xss1048576"}, 1048576},
        {{"-Xss0"}, 0},
        {{"-Xmx1g"}, 12345},  // none: the configured size stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(stackSizeOfJavaOptions(withOptions(c.options, 12345)), c.bytes)
            << c.options.back();
}

TEST(StackSizeOfJavaOptions, RefusesWhatTheJvmWouldRefuseAtEveryStart) {
    for (const char* option : {"-Xss", "-Xss64q", "-Xssm", "-Xss1.5m", "-Xss-1m", "-Xss64mb"})
        EXPECT_EXIT(stackSizeOfJavaOptions(withOptions({option})), testing::ExitedWithCode(1),
                    "is not a stack size the JVM reads")
            << option;
    for (const char* option :
         {"-Xss2g", "-Xss1025m", "-Xss1t", "-Xss16777216t", "-Xss99999999999999999999k"})
        EXPECT_EXIT(stackSizeOfJavaOptions(withOptions({option})), testing::ExitedWithCode(1),
                    "asks for more than 1g")
            << option;
}

}  // namespace
}  // namespace trellane
