#include "options/main_module.h"

#include <gtest/gtest.h>

#include "options/command_option.h"

namespace trellane {
namespace {

TEST(MainModule, TheBlocksMainClassNameSaysClassOrModule) {
    const struct {
        const char* mainClassName;
        const char* moduleOption;
        const char* commandName;
    } cases[] = {
        // Every block stamped before: a class on the class path.
        {"com.example.Main", "", "com.example.Main"},
        {"Main", "", "Main"},
        {"app/app.Main", "-Djdk.module.main=app", "app/app.Main"},
        {"com.example.app/", "-Djdk.module.main=com.example.app", "com.example.app"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(buildMainModuleOption(c.mainClassName), c.moduleOption) << c.mainClassName;
        EXPECT_EQ(mainCommandName(c.mainClassName), c.commandName) << c.mainClassName;
    }
}

// As java -m MODULE arg records it.
TEST(MainModule, TheCommandOptionNamesTheModuleAsTheJavaCommandDoes) {
    LaunchConfig config;
    config.mainClassName = "app/";
    config.defaultAppArguments = {"-v"};
    const char* arguments[] = {"x"};
    EXPECT_EQ(buildCommandOption(1, arguments, config), "-Dsun.java.command=app -v x");
}

}  // namespace
}  // namespace trellane
