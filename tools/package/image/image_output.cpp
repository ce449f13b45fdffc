#include "package/image/image_output.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/interruption.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/system_error.h"
#include "common/temporary_path.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

struct ImageState {
    std::string temporary;    // dest/.NAME.packaging-XXXXXX
    std::string building;     // temporary/NAME
    std::string destination;  // dest/NAME
    bool placed = false;
    bool replaced = false;                 // the old image is at building since the exchange
    std::vector<std::string> madeFolders;  // dest and its missing parents, deepest last
    int markerLock = -1;   // the new image's marker, locked until the image is finished
    struct stat image {};  // the new image's folder, to know it at dest/NAME
};

ImageState state;

bool exchange(const std::string& a, const std::string& b) {
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether dest/NAME is still the image this command placed there.
bool placedImageIsThere() {
    struct stat now;
    return lstat(state.destination.c_str(), &now) == 0 && sameFile(now, state.image);
}

// After an exchange that brought out something not ours: it goes back to dest/NAME. Should
// even that fail, it is in the temporary folder, which then stays, so that nothing removes it.
void putBackWhatCameOut() {
    if (exchange(state.building, state.destination)) {
        state.placed = state.replaced = false;
        return;
    }
    int error = errno;
    releaseTemporaryPath(state.temporary);
    std::string kept = state.building, destination = state.destination;
    state = ImageState();
    refuse(
        "%s changed while the image was built and is no longer an image built by "
        "trellane-package, and after the exchange it could not be put back (%s): it is now "
        "%s; move it back yourself",
        shownName(destination).c_str(), std::strerror(error), kept.c_str());
}

void removeWhatWasWritten() {
    // What is at dest/NAME is undone only while it is this command's image: should something
    // outside it have been put there since, that stays.
    if (state.placed && placedImageIsThere()) {
        if (state.replaced)
            exchange(state.building, state.destination);
        else
            removeTree(state.destination);
    }
    if (state.markerLock >= 0) close(state.markerLock);
    if (!state.temporary.empty()) removeTemporaryPath(state.temporary);
    for (auto it = state.madeFolders.rbegin(); it != state.madeFolders.rend(); ++it)
        rmdir(it->c_str());
    state = ImageState();
}

std::string absolute(const std::string& path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved.string();
}

bool isWithin(const std::string& inner, const std::string& outer) {
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            (outer.back() == '/' || inner[outer.size()] == '/'));
}

constexpr char kMarkerText[] = "trellane-package image";

// Whether path is a folder (not a link to one) holding our marker file. The marker is read
// without following a link or waiting on a FIFO, and no further than its first words.
bool isMarkedImage(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    std::string marker = path + "/" + kImageMarker;
    int fd = open(marker.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char text[sizeof kMarkerText - 1];
    bool marked = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  read(fd, text, sizeof text) == static_cast<ssize_t>(sizeof text) &&
                  std::memcmp(text, kMarkerText, sizeof text) == 0;
    close(fd);
    return marked;
}

void makeFolders(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).lexically_normal();
    std::vector<std::string> missing;
    for (std::filesystem::path p = folder; !p.empty() && !std::filesystem::exists(p);
         p = p.parent_path()) {
        missing.insert(missing.begin(), p.string());
        if (p == p.parent_path()) break;
    }
    for (const std::string& part : missing) {
        makeFolder(part);
        state.madeFolders.push_back(part);
    }
}

// Locks the marker file at path: a packaging that is about to replace an image first takes
// this lock on the image's marker, so it waits while the image's own packaging still works on
// it in place (a training run, the final stamp). -1 when there is no marker to lock.
int lockMarker(const std::string& path, bool wait) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    while (flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
        stopIfInterrupted();
    }
    return fd;
}

// Waits until no other packaging works on the image at dest/NAME, then holds its marker's
// lock (-1 when dest/NAME holds no marker: then the exchange and the check after it do what
// is needed). The lock is taken without waiting, in rounds, so that an interruption ends the
// wait at once; and it must still be the marker at dest/NAME once held, which another
// packaging may have replaced meanwhile.
int holdDestinationImage() {
    const std::string marker = state.destination + "/" + kImageMarker;
    bool said = false;
    for (;;) {
        stopIfInterrupted();
        int fd = open(marker.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat held, now;
            if (fstat(fd, &held) == 0 && lstat(marker.c_str(), &now) == 0 && sameFile(held, now))
                return fd;
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            return fd;  // no locks on this file system: go on as without them
        } else if (!said) {
            progress("waiting for another trellane-package to finish with %s",
                     shownName(state.destination).c_str());
            said = true;
        }
        close(fd);
        struct timespec pause = {0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// The tests' way to act at the moment an image is about to take its place: with
// TRELLANE_TEST_STOP_BEFORE_PLACING set, the command stops itself (SIGSTOP) there, and goes on
// when it is continued.
void stopForTestsBeforePlacing() {
    if (std::getenv("TRELLANE_TEST_STOP_BEFORE_PLACING") != nullptr) raise(SIGSTOP);
}

}  // namespace

void checkImageDestination(const std::string& dest, const std::string& name,
                           const std::string& input, bool overwrite) {
    std::string destination = dest + "/" + name;
    std::string where = absolute(destination), from = absolute(input);
    if (input.empty()) {
        // A modular application without --input: nothing of it can be inside the image.
    } else if (isWithin(where, from))
        refuse(
            "the destination %s is inside the input %s: the image would copy itself; choose "
            "a --dest outside the input",
            shownName(destination).c_str(), shownName(input).c_str());
    if (!input.empty() && isWithin(from, where))
        refuse(
            "the input %s is inside the destination %s, which the new image would replace; "
            "choose another --dest or --name",
            shownName(input).c_str(), shownName(destination).c_str());

    struct stat info;
    if (lstat(destination.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode))
        refuse("%s exists and is not a folder: remove it, or choose another --dest or --name",
               shownName(destination).c_str());
    if (!isMarkedImage(destination))
        refuse(
            "%s exists and is not an image built by trellane-package (it has no %s file): "
            "remove it yourself, or choose another --dest or --name",
            shownName(destination).c_str(), kImageMarker);
    if (!overwrite)
        refuse("%s exists: give --overwrite to replace it, or choose another --dest or --name",
               shownName(destination).c_str());
}

std::string beginImage(const std::string& dest, const std::string& name) {
    setRefusalCleanup(removeWhatWasWritten);
    setInterruptionCleanup(removeWhatWasWritten);
    makeFolders(dest);
    std::string pattern = dest + "/." + name + ".packaging-XXXXXX";
    // Held as a temporary path too, so a refusal from the stamp library's own steps or a signal
    // this command does not handle (SIGXFSZ) also takes it away.
    if (!createTemporaryFolder(pattern))
        refuse("cannot make a temporary folder in %s: %s", shownName(dest).c_str(),
               std::strerror(errno));
    state.temporary = pattern;
    state.building = state.temporary + "/" + name;
    state.destination = dest + "/" + name;
    return state.building;
}

std::string placeImage(bool overwrite) {
    stopIfInterrupted();
    const std::string marker = state.building + "/" + kImageMarker;
    writeNewFile(marker, std::string(kMarkerText) +
                             ": trellane-package --overwrite may replace this folder\n");
    // Held until the image is finished: another packaging of the same destination waits for
    // this one before it replaces the image, rather than mixing the two.
    state.markerLock = lockMarker(marker, true);
    if (lstat(state.building.c_str(), &state.image) != 0)
        refuse("cannot read %s: %s", shownName(state.building).c_str(), std::strerror(errno));
    stopForTestsBeforePlacing();
    const char* destination = state.destination.c_str();
    // What was checked at the start may have changed since: another packaging or someone else
    // may have put something at dest/NAME meanwhile. So the image goes there by a rename that
    // never replaces, and only --overwrite exchanges it with what is there.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (renameat2(AT_FDCWD, state.building.c_str(), AT_FDCWD, destination, RENAME_NOREPLACE) ==
            0) {
            state.placed = true;
            return state.destination;
        }
        if (errno != EEXIST)
            refuse("cannot put the image at %s: %s", shownName(destination).c_str(),
                   describeError(errno, destination).c_str());
        if (!overwrite)
            refuse(
                "%s appeared while the image was built; it is left as it is: give --overwrite "
                "to replace an image built by trellane-package, or choose another --dest or "
                "--name",
                shownName(destination).c_str());
        // One rename both ways: dest/NAME is never missing, and what came out is looked at
        // where it now is. It goes back unless it is an image of ours.
        int held = holdDestinationImage();
        bool exchanged = exchange(state.building, state.destination);
        int error = errno;
        if (held >= 0) close(held);
        if (!exchanged) {
            if (error == ENOENT) continue;  // gone again: place by the first rename
            refuse("cannot put the image in place of %s: %s", shownName(destination).c_str(),
                   describeError(error, destination).c_str());
        }
        state.placed = state.replaced = true;
        if (isMarkedImage(state.building)) return state.destination;
        putBackWhatCameOut();
        refuse(
            "%s changed while the image was built and is no longer an image built by "
            "trellane-package (it has no %s file); it is left as it is: remove it yourself, "
            "or choose another --dest or --name",
            destination, kImageMarker);
    }
    refuse("cannot put the image at %s: it keeps appearing and disappearing", destination);
}

void checkImageInPlace() {
    if (!state.placed || placedImageIsThere()) return;
    refuse(
        "%s was replaced by another program while this packaging worked on it in place; it "
        "is left as it is: package again once nothing else writes there",
        shownName(state.destination).c_str());
}

void finishImage() {
    stopIfInterrupted();
    checkImageInPlace();
    setRefusalCleanup(nullptr);
    setInterruptionCleanup(nullptr);
    removeTemporaryPath(state.temporary);
    if (state.markerLock >= 0) close(state.markerLock);
    state = ImageState();
}

}  // namespace trellane
