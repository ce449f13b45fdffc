#include "package/image_output.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/refusal.h"
#include "common/temporary_path.h"
#include "package/file_tree.h"
#include "common/interruption.h"

namespace trellane {

namespace {

struct ImageState {
    std::string temporary;    // dest/.NAME.packaging-XXXXXX
    std::string building;     // temporary/NAME
    std::string destination;  // dest/NAME
    bool placed = false;
    bool replaced = false;                 // the old image is at building since the exchange
    std::vector<std::string> madeFolders;  // dest and its missing parents, deepest last
};

ImageState state;

bool exchange(const std::string& a, const std::string& b) {
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

void removeWhatWasWritten() {
    if (state.placed) {
        if (state.replaced)
            exchange(state.building, state.destination);
        else
            removeTree(state.destination);
    }
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

bool isMarkedImage(const std::string& folder) {
    std::string text, problem;
    return readWholeFile(folder + "/" + kImageMarker, text, problem) &&
           text.compare(0, 22, "trellane-package image") == 0;
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

}  // namespace

void checkImageDestination(const std::string& dest, const std::string& name,
                           const std::string& input, bool overwrite) {
    std::string destination = dest + "/" + name;
    std::string where = absolute(destination), from = absolute(input);
    if (isWithin(where, from))
        refuse(
            "the destination %s is inside the input %s: the image would copy itself; choose "
            "a --dest outside the input",
            destination.c_str(), input.c_str());
    if (isWithin(from, where))
        refuse(
            "the input %s is inside the destination %s, which the new image would replace; "
            "choose another --dest or --name",
            input.c_str(), destination.c_str());

    struct stat info;
    if (lstat(destination.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode))
        refuse("%s exists and is not a folder: remove it, or choose another --dest or --name",
               destination.c_str());
    if (!isMarkedImage(destination))
        refuse(
            "%s exists and is not an image built by trellane-package (it has no %s file): "
            "remove it yourself, or choose another --dest or --name",
            destination.c_str(), kImageMarker);
    if (!overwrite)
        refuse("%s exists: give --overwrite to replace it, or choose another --dest or --name",
               destination.c_str());
}

std::string beginImage(const std::string& dest, const std::string& name) {
    setRefusalCleanup(removeWhatWasWritten);
    setInterruptionCleanup(removeWhatWasWritten);
    makeFolders(dest);
    std::string pattern = dest + "/." + name + ".packaging-XXXXXX";
    // Held as a temporary path too, so a refusal from the stamp library's own steps or a signal
    // this command does not handle (SIGXFSZ) also takes it away.
    if (!createTemporaryFolder(pattern))
        refuse("cannot make a temporary folder in %s: %s", dest.c_str(), std::strerror(errno));
    state.temporary = pattern;
    state.building = state.temporary + "/" + name;
    state.destination = dest + "/" + name;
    return state.building;
}

std::string placeImage() {
    stopIfInterrupted();
    writeNewFile(state.building + "/" + kImageMarker,
                 "trellane-package image: trellane-package --overwrite may replace this folder\n");
    struct stat info;
    bool replacing = lstat(state.destination.c_str(), &info) == 0;
    if (replacing) {
        // One rename both ways: dest/NAME is never missing, and the old image is whole until
        // finishImage removes it.
        if (!exchange(state.building, state.destination))
            refuse("cannot put the image in place of %s: %s", state.destination.c_str(),
                   std::strerror(errno));
        state.replaced = true;
    } else if (renameat2(AT_FDCWD, state.building.c_str(), AT_FDCWD, state.destination.c_str(),
                         RENAME_NOREPLACE) != 0) {
        refuse("cannot put the image at %s: %s", state.destination.c_str(), std::strerror(errno));
    }
    state.placed = true;
    return state.destination;
}

void finishImage() {
    stopIfInterrupted();
    setRefusalCleanup(nullptr);
    setInterruptionCleanup(nullptr);
    removeTemporaryPath(state.temporary);
    state = ImageState();
}

}  // namespace trellane
