#include "package/runtime/runtime_copy.h"

#include "package/support/file_tree.h"

namespace trellane {

namespace {

const char kServerFolder[] = "bin/server";

// Where a runtime's file goes in the image; empty when it stays out.
std::string placeInImage(const std::string& relative, ImageTarget target) {
    std::string name = relative.substr(relative.rfind('/') + 1);
    if (name == "classes_nocoops.jsa") return "";
    if (target != ImageTarget::Windows) return relative;
    if (relative == kServerFolder) return "";
    const std::string server = std::string(kServerFolder) + "/";
    if (relative.compare(0, server.size(), server) == 0)
        return "bin/" + relative.substr(server.size());
    return relative;
}

}  // namespace

void copyRuntime(const std::string& runtime, ImageTarget target, const std::string& image) {
    makeFolder(image);
    for (const TreeEntry& entry : listTree(runtime)) {
        std::string place = placeInImage(entry.relative, target);
        if (place.empty()) continue;
        std::string destination = image + "/" + place;
        if (entry.folder)
            makeFolder(destination);
        else
            copyFile(runtime + "/" + entry.relative, destination);
    }
}

}  // namespace trellane
