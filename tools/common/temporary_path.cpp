#include "common/temporary_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>

namespace trellane {

namespace {

const int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// Written only with the handled signals blocked, read by their handler: the handler never
// sees half a path.
struct HeldPath {
    char path[PATH_MAX];
    volatile sig_atomic_t held;
};
HeldPath heldPaths[kMaxTemporaryPaths];

// Deeper folders are left for the last removal to fail on; an app image is a few levels deep.
constexpr int kMaxDepth = 64;

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

bool removeEntry(int folder, const char* name, int depth);

// Empties the open folder. Removing entries while reading can make the reader skip others, so
// it reads again until a pass removes nothing.
void removeContents(int folder, int depth) {
    alignas(struct dirent64) char buffer[1024];
    for (bool removedAny = true; removedAny;) {
        removedAny = false;
        if (lseek(folder, 0, SEEK_SET) != 0) return;
        ssize_t got;
        while ((got = getdents64(folder, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                if (!isDotOrDotDot(entry->d_name) && removeEntry(folder, entry->d_name, depth + 1))
                    removedAny = true;
            }
        }
    }
}

// Removes name inside folder, with everything in it when it is a folder. Symbolic links are
// removed, never followed.
bool removeEntry(int folder, const char* name, int depth) {
    if (unlinkat(folder, name, 0) == 0) return true;
    if ((errno != EISDIR && errno != EPERM) || depth > kMaxDepth) return false;
    int inner = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner < 0) return false;
    removeContents(inner, depth);
    close(inner);
    return unlinkat(folder, name, AT_REMOVEDIR) == 0;
}

void onSignal(int signal) {
    int savedErrno = errno;
    removeTemporaryPaths();
    // Then the signal's default action: it ends the process as it would have without us.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);
    errno = savedErrno;
}

// Takes over the handled signals whose action is the default one. A signal the process
// ignores (nohup) stays ignored, and one it handles itself stays its own: such a process
// decides when to stop and what to remove.
void takeOverDefaultActions() {
    for (int signal : kHandledSignals) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        for (int other : kHandledSignals) sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

// Holds the handled signals back while the path and the held state change together.
class HandledSignalsBlocked {
  public:
    HandledSignalsBlocked() {
        sigset_t handled;
        sigemptyset(&handled);
        for (int signal : kHandledSignals) sigaddset(&handled, signal);
        pthread_sigmask(SIG_BLOCK, &handled, &previous_);
    }
    ~HandledSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

  private:
    sigset_t previous_;
};

HeldPath* heldSlot(const std::string& temporary) {
    for (HeldPath& slot : heldPaths)
        if (slot.held && temporary == slot.path) return &slot;
    return nullptr;
}

void removeHeld(HeldPath& slot) {
    removeEntry(AT_FDCWD, slot.path, 0);
    slot.held = 0;
}

// Runs make (mkstemp or mkdtemp) on the template and holds the path it made.
template <typename Make>
bool createHeld(std::string& pathTemplate, Make make) {
    if (pathTemplate.size() >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    takeOverDefaultActions();
    HandledSignalsBlocked blocked;
    HeldPath* unused = nullptr;
    for (HeldPath& slot : heldPaths)
        if (!slot.held && unused == nullptr) unused = &slot;
    if (unused == nullptr) {
        errno = EMFILE;
        return false;
    }
    if (!make(&pathTemplate[0])) return false;
    memcpy(unused->path, pathTemplate.c_str(), pathTemplate.size() + 1);
    unused->held = 1;
    return true;
}

}  // namespace

std::string temporaryTemplateBeside(const std::string& destination) {
    size_t slash = destination.rfind('/');
    std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    return folder + ".trellane-XXXXXX";
}

int createTemporaryFile(std::string& pathTemplate) {
    int fd = -1;
    createHeld(pathTemplate, [&fd](char* path) {
        fd = mkostemp(path, O_CLOEXEC);
        return fd >= 0;
    });
    return fd;
}

bool createTemporaryFolder(std::string& pathTemplate) {
    return createHeld(pathTemplate, [](char* path) { return mkdtemp(path) != nullptr; });
}

bool moveTemporaryPath(const std::string& temporary, const std::string& destination) {
    HandledSignalsBlocked blocked;
    HeldPath* slot = heldSlot(temporary);
    if (slot == nullptr) {
        errno = ENOENT;
        return false;
    }
    if (rename(slot->path, destination.c_str()) != 0) return false;
    slot->held = 0;
    return true;
}

void removeTemporaryPath(const std::string& temporary) {
    int savedErrno = errno;
    HandledSignalsBlocked blocked;
    if (HeldPath* slot = heldSlot(temporary)) removeHeld(*slot);
    errno = savedErrno;
}

void removeTemporaryPaths() {
    int savedErrno = errno;
    // A signal during a refusal's removal waits for it to finish rather than end it halfway.
    HandledSignalsBlocked blocked;
    for (HeldPath& slot : heldPaths)
        if (slot.held) removeHeld(slot);
    errno = savedErrno;
}

}  // namespace trellane
