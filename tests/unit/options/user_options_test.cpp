#include "options/user_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace trellane {
namespace {

::testing::Matcher<const std::string&> exactly(const std::string& text) {
    return ::testing::Matcher<const std::string&>(text);
}

// Writes what the box would show to standard error, where the death tests can see it.
void recordBox(const char* caption, const char* text) {
    std::fprintf(stderr, "[box %s | %s]", caption, text);
}

void boxMustNotShow(const char*, const char*) {
    ADD_FAILURE() << "no box expected";
}

LaunchConfig configWith(StringList prefixes, bool isConsoleApp = false) {
    LaunchConfig config;
    config.isConsoleApp = isConsoleApp;
    config.jvmOptions = {"-Dconfigured=1", "-Dsun.java.command=Main"};
    config.allowedUserOptionPrefixes = std::move(prefixes);
    return config;
}

TEST(IsAllowedUserOption, PrefixRules) {
    const StringList prefixes = {"-Dx.", "-Xmx"};
    struct Case {
        const char* option;
        bool allowed;
    } cases[] = {
        {"-Dx.a=1", true}, {"-Dx.", true},       {"-Xmx2g", true},  {"-DX.a=1", false},
        {"-Dx", false},    {"-Dy=-Dx.a", false}, {" -Dx.a", false}, {"-Xms1g", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        EXPECT_EQ(isAllowedUserOption(c.option, prefixes), c.allowed);
    }
    EXPECT_TRUE(isAllowedUserOption("-anything", {"-Dx.", ""}));
    EXPECT_FALSE(isAllowedUserOption("-Dx.a", {}));
}

TEST(MergeUserJvmOptions, UnsetOrEmptyChangesNothingEvenWhenDisabled) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        LaunchConfig config = configWith({});
        mergeUserJvmOptions(value, config, boxMustNotShow);
        EXPECT_EQ(config.jvmOptions, configWith({}).jvmOptions);
    }
}

TEST(MergeUserJvmOptions, AcceptedOptionsFollowInTheUsersOrder) {
    LaunchConfig config = configWith({"-Dapp.", "-Xmx"});
    mergeUserJvmOptions(" -Xmx1g\t'-Dapp.title=A && B' -Dapp.pct=%s%n ", config, boxMustNotShow);
    const StringList expected = {"-Dconfigured=1", "-Dsun.java.command=Main", "-Xmx1g",
                                 "-Dapp.title=A && B", "-Dapp.pct=%s%n"};
    EXPECT_EQ(config.jvmOptions, expected);
}

TEST(MergeUserJvmOptions, BlanksOnlyAddNothingWhenEnabled) {
    LaunchConfig config = configWith({"-D"});
    mergeUserJvmOptions(" \t\r\n", config, boxMustNotShow);
    EXPECT_EQ(config.jvmOptions.size(), 2u);
}

using MergeUserJvmOptionsDeathTest = ::testing::Test;

TEST(MergeUserJvmOptionsDeathTest, NotEnabledWithoutPrefixes) {
    for (const char* value : {"-Dx=1", "   "}) {
        LaunchConfig config = configWith({});
        EXPECT_EXIT(mergeUserJvmOptions(value, config, recordBox), ::testing::ExitedWithCode(1),
                    exactly("TRELLANE_JVM_OPTIONS is not enabled for this app.\r\n"));
    }
}

TEST(MergeUserJvmOptionsDeathTest, UnterminatedQuote) {
    // The quote is reported even when an earlier option would be refused.
    LaunchConfig config = configWith({"-Dok"});
    EXPECT_EXIT(mergeUserJvmOptions("-Dbad -Dok='abc", config, recordBox),
                ::testing::ExitedWithCode(1),
                exactly("Unterminated quote in TRELLANE_JVM_OPTIONS.\r\n"));
}

TEST(MergeUserJvmOptionsDeathTest, RefusedOptionIsShownThenEndsTheLaunch) {
    LaunchConfig gui = configWith({"-Dok."});
    EXPECT_EXIT(mergeUserJvmOptions("-Dok.a=1 -Dno=100%s%n%d -Dok.b=2", gui, recordBox),
                ::testing::ExitedWithCode(1),
                exactly("[box Invalid JVM option | Disallowed JVM option in "
                        "TRELLANE_JVM_OPTIONS: -Dno=100%s%n%d]"
                        "Disallowed JVM option in TRELLANE_JVM_OPTIONS: -Dno=100%s%n%d\r\n"));

    LaunchConfig console = configWith({"-Dok."}, true);
    EXPECT_EXIT(mergeUserJvmOptions("'-Dbad=a b'", console, recordBox),
                ::testing::ExitedWithCode(1),
                exactly("Disallowed JVM option in TRELLANE_JVM_OPTIONS: -Dbad=a b\r\n"));
}

}  // namespace
}  // namespace trellane
