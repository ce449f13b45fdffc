#include "common/child_process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace trellane {
namespace {

ProgramRun shell(const std::string& script, const ProgramOptions& options = {}) {
    return runProgram({"/bin/sh", "-c", script}, options);
}

TEST(RunProgram, FeedsInputAndCollectsOutput) {
    ProgramOptions options;
    options.input = std::string(200000, 'x') + "\n";  // more than a pipe holds
    ProgramRun run = runProgram({"/bin/cat"}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, options.input);

    run = shell("echo out; echo err >&2; exit 3");
    EXPECT_EQ(run.output, "out\nerr\n");
    EXPECT_EQ(describeEnd(run), "exit status 3");

    options = {};
    options.separateError = true;
    run = shell("echo out; echo err >&2; kill -TERM $$", options);
    EXPECT_EQ(run.output, "out\n");
    EXPECT_EQ(run.error, "err\n");
    EXPECT_FALSE(run.succeeded());
    EXPECT_EQ(describeEnd(run), "killed by signal 15 (Terminated)");
}

TEST(RunProgram, TheTimeLimitStopsTheProgramAndWhatItStarted) {
    const char* scripts[] = {
        "echo started; sleep 30 & wait",          // a child that holds the output open
        "echo started; exec >&- 2>&-; sleep 30",  // output closed, still running
    };
    for (const char* script : scripts) {
        ProgramOptions options;
        options.timeoutSeconds = 1;
        auto began = std::chrono::steady_clock::now();
        ProgramRun run = shell(script, options);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        EXPECT_TRUE(run.timedOut) << script;
        EXPECT_FALSE(run.succeeded()) << script;
        EXPECT_EQ(run.output, "started\n") << script;
        EXPECT_LT(seconds, 10) << script;
        EXPECT_EQ(describeEnd(run, 1), "no end within 1 s") << script;
    }
}

TEST(RunProgram, HandsTheSecretOverOnAnInheritedPipe) {
    ProgramOptions options;
    options.secret = "correct horse";
    // The program reads it from the file name it is given, as osslsigncode's -readpass does.
    ProgramRun run = runProgram({"/bin/cat", kSecretFile}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "correct horse");
    options.secret = std::string(kMaxSecretSize + 1, 'x');
    EXPECT_EXIT(runProgram({"/bin/true"}, options), testing::ExitedWithCode(1),
                "cannot hand 4097 bytes to /bin/true: 4096 at most");
}

// Whether the process runs: it exists and has not ended (an ended one may wait, a zombie, for
// whoever adopted it to collect it).
bool running(pid_t pid) {
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (stat == nullptr) return false;
    char state = 0;
    int read = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
    std::fclose(stat);
    return read == 1 && state != 'Z' && state != 'X';
}

TEST(RunProgram, WhatTheProgramLeftRunningEndsWithIt) {
    // A program that starts a background child and ends: the child is stopped too.
    ProgramRun run = shell("sleep 30 >/dev/null 2>&1 & echo $!");
    ASSERT_EQ(run.status, 0);
    pid_t left = static_cast<pid_t>(std::stol(run.output));
    for (int tries = 0; tries < 100 && running(left); ++tries) usleep(10000);
    EXPECT_FALSE(running(left)) << "the background child still runs";
}

TEST(RunApplication, EndsWithTheApplicationAndStopsAllItStarted) {
    // What an application's run leaves: a process in a session of its own (out of the
    // program's group), one that holds the output; each must end with the run, at once.
    const char* scripts[] = {
        "setsid sleep 30 >/dev/null 2>&1 </dev/null & echo $!",
        "sleep 30 & echo $!",
        "(setsid sh -c 'sleep 30 & echo $!' >&2 </dev/null &) 2>&1; sleep 1",
    };
    for (const char* script : scripts) {
        auto began = std::chrono::steady_clock::now();
        ProgramRun run = runApplication({"/bin/sh", "-c", script}, 20);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        EXPECT_EQ(run.status, 0) << script;
        EXPECT_LT(seconds, 10) << script;
        std::string pid = run.output.empty() ? run.error : run.output;
        ASSERT_FALSE(pid.empty()) << script;
        EXPECT_FALSE(running(static_cast<pid_t>(std::stol(pid)))) << script;
    }
}

TEST(RunApplication, KeepsOnlyTheEndOfEndlessOutput) {
    ProgramRun run = runApplication(
        {"/bin/sh", "-c", "head -c 50000000 /dev/zero | tr '\\0' x; echo end; echo e >&2"}, 60);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.size(), kApplicationOutputKept);
    EXPECT_EQ(run.output.substr(run.output.size() - 5), "xend\n");
    EXPECT_EQ(run.error, "e\n");
}

TEST(RunProgram, AnInterruptionStopsTheProgram) {
    ProgramOptions options;
    options.interrupted = [] { return true; };
    ProgramRun run = shell("sleep 30", options);
    EXPECT_TRUE(run.interrupted);
    EXPECT_FALSE(run.succeeded());
}

TEST(OutputTail, KeepsWholeLastLines) {
    EXPECT_EQ(outputTail("short\n", 100), "short\n");
    EXPECT_EQ(outputTail("first line\nsecond\nthird\n", 12), "...\nthird\n");
}

}  // namespace
}  // namespace trellane
