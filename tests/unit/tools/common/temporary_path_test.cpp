#include "common/temporary_path.h"

#include <gtest/gtest.h>
#include <fcntl.h>
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

// depth folders inside folder, one in the other, with a file at the bottom: made one level at
// a time, since the whole path may be longer than the system takes.
void makeDeepFolders(const std::string& folder, int depth) {
    int at = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < depth && at >= 0; ++level) {
        int inner = mkdirat(at, "d", 0755) == 0 ? openat(at, "d", O_RDONLY | O_DIRECTORY) : -1;
        close(at);
        at = inner;
    }
    ASSERT_GE(at, 0);
    int file = openat(at, "bottom.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    EXPECT_GE(file, 0);
    close(file);
    close(at);
}

// A folder being built, as the packaging command builds an app image: files, a subfolder,
// an application's deep tree, a symbolic link pointing out of it (removed, not followed), a
// file nobody may read.
void buildTemporaryFolder(const std::string& folderTemplate, const std::string& outside) {
    std::string path = folderTemplate;
    if (!createTemporaryFolder(path)) _exit(10);
    fs::create_directories(path + "/bin/lib/server");
    fs::create_directories(path + "/app/data");
    makeDeepFolders(path + "/app/data", 200);
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

TEST_F(TemporaryPath, AWholePathGoesAtAnyDepthAndLinksAreNotFollowed) {
    const std::string outside = templateIn("keep");
    fs::create_directory(outside);
    std::ofstream(outside + "/kept.txt") << "not ours";
    const std::string tree = templateIn("tree");
    fs::create_directory(tree);
    // Deeper than the descriptors a process may hold open, and wide enough that removing
    // while reading a folder skips entries.
    makeDeepFolders(tree, 3000);
    for (int i = 0; i < 2000; ++i) std::ofstream(tree + "/file-" + std::to_string(i)) << i;
    fs::create_directory_symlink(outside, tree + "/outside");
    fs::create_symlink(outside + "/kept.txt", tree + "/d/kept-link.txt");

    EXPECT_TRUE(removeWholePath(tree));
    EXPECT_EQ(left(), std::vector<std::string>{"keep"});
    EXPECT_TRUE(fs::exists(outside + "/kept.txt"));
    EXPECT_TRUE(removeWholePath(tree)) << "nothing there is nothing left";
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
