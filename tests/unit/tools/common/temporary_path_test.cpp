#include "common/temporary_path.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/refusal.h"

namespace trellane {
namespace {

namespace fs = std::filesystem;

// Each case runs in a death test's child process, which the signal or the refusal ends; the
// parent then looks at what is left in the folder.
class TemporaryPath : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/trellane-temporary-path-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder_ = name;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string templateIn(const std::string& name) const { return folder_ + "/" + name; }

    std::vector<std::string> left() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder_;
};

// A folder being built, as the packaging command builds an app image: files, a subfolder,
// a symbolic link pointing out of it (removed, not followed), a file nobody may read.
void buildTemporaryFolder(const std::string& folderTemplate, const std::string& outside) {
    std::string path = folderTemplate;
    if (!createTemporaryFolder(path)) _exit(10);
    fs::create_directories(path + "/bin/lib/server");
    std::ofstream(path + "/bin/launcher") << "launcher";
    std::ofstream(path + "/bin/lib/server/libjvm.so") << "jvm";
    fs::create_symlink(outside, path + "/bin/outside");
    fs::permissions(path + "/bin/launcher", fs::perms::none);
}

std::string makeTemporaryFile(const std::string& fileTemplate) {
    std::string path = fileTemplate;
    int fd = createTemporaryFile(path);
    if (fd < 0 || write(fd, "partial", 7) != 7) _exit(10);
    return path;
}

TEST_F(TemporaryPath, ASignalRemovesThemAndEndsTheProcess) {
    const std::string outside = templateIn("keep");
    std::ofstream(outside) << "not ours";
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        SCOPED_TRACE(strsignal(signal));
        EXPECT_EXIT(
            {
                makeTemporaryFile(templateIn("file-XXXXXX"));
                buildTemporaryFolder(templateIn("folder-XXXXXX"), outside);
                raise(signal);
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_EQ(left(), std::vector<std::string>{"keep"});
    }
}

TEST_F(TemporaryPath, ARefusalRemovesThem) {
    EXPECT_EXIT(
        {
            buildTemporaryFolder(templateIn("folder-XXXXXX"), "/");
            makeTemporaryFile(templateIn("file-XXXXXX"));
            refuse("stopped");
        },
        ::testing::ExitedWithCode(1), "stopped");
    EXPECT_TRUE(left().empty());
}

TEST_F(TemporaryPath, OnceMovedOrRemovedItIsLetGo) {
    // The moved file stays; the removed one's name, made again, is not removed by mistake;
    // the one still held goes.
    EXPECT_EXIT(
        {
            std::string moved = makeTemporaryFile(templateIn("file-XXXXXX"));
            std::string removed = makeTemporaryFile(templateIn("file-XXXXXX"));
            makeTemporaryFile(templateIn("file-XXXXXX"));
            if (!moveTemporaryPath(moved, templateIn("done"))) _exit(10);
            removeTemporaryPath(removed);
            std::ofstream(removed) << "someone else's";
            raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(left().size(), 2u);  // done, and the name removed then made again
    EXPECT_TRUE(fs::exists(templateIn("done")));
}

TEST(TemporaryTemplateBeside, IsInTheDestinationsFolder) {
    EXPECT_EQ(temporaryTemplateBeside("out/bin/app.exe"), "out/bin/.trellane-XXXXXX");
    EXPECT_EQ(temporaryTemplateBeside("/app.exe"), "/.trellane-XXXXXX");
    EXPECT_EQ(temporaryTemplateBeside("app.exe"), ".trellane-XXXXXX");
}

volatile sig_atomic_t handledByTheProcess = 0;

void processHandler(int) {
    handledByTheProcess = 1;
}

TEST_F(TemporaryPath, ASignalTheProcessIgnoresOrHandlesStaysItsOwn) {
    // Under nohup a hang-up neither ends the command nor takes its work away; a command that
    // handles a signal itself stops where it chooses and removes what it wrote.
    for (void (*action)(int) : {SIG_IGN, processHandler}) {
        EXPECT_EXIT(
            {
                signal(SIGHUP, action);
                makeTemporaryFile(templateIn("file-XXXXXX"));
                raise(SIGHUP);
                _exit(action == SIG_IGN || handledByTheProcess ? 3 : 10);
            },
            ::testing::ExitedWithCode(3), "");
        EXPECT_EQ(left().size(), 1u);
        fs::remove_all(folder_);
        fs::create_directory(folder_);
    }
}

}  // namespace
}  // namespace trellane
