#include "common/temporary_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
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

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Removes name in the open folder when it is anything but a folder, or an empty folder.
bool removeIfLeaf(int folder, const char* name) {
    if (unlinkat(folder, name, 0) == 0) return true;
    return (errno == EISDIR || errno == EPERM) && unlinkat(folder, name, AT_REMOVEDIR) == 0;
}

enum class Pass { Emptied, Descend, Stuck };

// One pass over the open folder: removes what it can, and stops at the first folder that is
// not empty, opened as inner, to go down into it. Removing entries while reading can make the
// reader skip others, so a pass that removed anything reads again from the start.
Pass removeFolderContents(int folder, int& inner) {
    alignas(struct dirent64) char buffer[4096];
    for (bool removedAny = true; removedAny;) {
        removedAny = false;
        bool stuck = false;
        if (lseek(folder, 0, SEEK_SET) != 0) return Pass::Stuck;
        ssize_t got;
        while ((got = getdents64(folder, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                if (isDotOrDotDot(entry->d_name)) continue;
                if (removeIfLeaf(folder, entry->d_name)) {
                    removedAny = true;
                } else if (errno == ENOTEMPTY || errno == EEXIST) {
                    inner = openat(folder, entry->d_name,
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                    if (inner >= 0) return Pass::Descend;
                    stuck = true;
                } else if (errno != ENOENT) {
                    stuck = true;
                }
            }
        }
        if (got < 0 || (stuck && !removedAny)) return Pass::Stuck;
    }
    return Pass::Emptied;
}

// Removes name inside folder, with everything in it when it is a folder, however deep: it
// goes down one folder at a time and back up through "..", holding two descriptors at most,
// so neither the stack nor the descriptors limit the depth. Symbolic links are removed, never
// followed. Stops at the first folder it cannot empty; false when something stayed.
bool removeEntry(int folder, const char* name) {
    if (removeIfLeaf(folder, name) || errno == ENOENT) return true;
    if (errno != ENOTEMPTY && errno != EEXIST) return false;
    int current = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat top;
    if (current < 0) return false;
    if (fstat(current, &top) != 0) {
        close(current);
        return false;
    }
    for (size_t depth = 0;;) {
        int inner = -1;
        Pass pass = removeFolderContents(current, inner);
        if (pass == Pass::Descend) {
            close(current);
            current = inner;
            ++depth;
            continue;
        }
        if (pass == Pass::Stuck || depth == 0) {
            close(current);
            if (pass == Pass::Stuck) return false;
            break;
        }
        // Emptied: up again, where the next pass removes the empty folder.
        int parent = openat(current, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(current);
        if (parent < 0) return false;
        current = parent;
        --depth;
        struct stat reached;
        // Back at the top, it must be the folder we went down from: something moved a
        // folder out from under the removal, and it stops rather than remove elsewhere.
        if (depth == 0 && (fstat(current, &reached) != 0 || reached.st_dev != top.st_dev ||
                           reached.st_ino != top.st_ino)) {
            close(current);
            return false;
        }
    }
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
    removeEntry(AT_FDCWD, slot.path);
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

void releaseTemporaryPath(const std::string& temporary) {
    HandledSignalsBlocked blocked;
    if (HeldPath* slot = heldSlot(temporary)) slot->held = 0;
}

void removeTemporaryPath(const std::string& temporary) {
    int savedErrno = errno;
    HandledSignalsBlocked blocked;
    if (HeldPath* slot = heldSlot(temporary)) removeHeld(*slot);
    errno = savedErrno;
}

bool removeWholePath(const std::string& path) {
    return removeEntry(AT_FDCWD, path.c_str());
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
