// --app-content: files and folders copied into the image's app/ beside the input's files,
// each under its own name, checked before anything is written.
#pragma once

#include <string>
#include <vector>

#include "package/request/package_request.h"
#include "package/support/file_tree.h"

namespace trellane {

struct AppContent {
    std::string source;  // as given
    std::string name;    // its name in app/
    bool folder = false;
    std::vector<TreeEntry> entries;  // a folder's, relative to it
};

// Refuses a path that does not exist, a name the input (inputEntries) or another content
// already gives app/ (or one the image gives it: trellane-runtime.jar, mods/ when the modules
// go there), and, for Windows, names Windows cannot hold.
std::vector<AppContent> readAppContent(const PackageRequest& request,
                                       const std::vector<TreeEntry>& inputEntries,
                                       bool modulesInApp);

}  // namespace trellane
