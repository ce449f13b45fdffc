#include "package/inputs/app_content.h"

#include <sys/stat.h>

#include <set>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/windows_names.h"
#include "package/inputs/class_path.h"

namespace trellane {

namespace {

void checkWindowsName(const std::string& source, const std::string& relative) {
    std::string name = relative.substr(relative.rfind('/') + 1);
    std::string problem = windowsNameProblem(name);
    if (!problem.empty())
        refuse("--app-content %s cannot go into a Windows image: the name of %s %s; rename it",
               shownName(source).c_str(), shownName(relative).c_str(), problem.c_str());
}

}  // namespace

std::vector<AppContent> readAppContent(const PackageRequest& request,
                                       const std::vector<TreeEntry>& inputEntries,
                                       bool modulesInApp) {
    std::set<std::string> taken{kRuntimeJarName};
    if (modulesInApp) taken.insert("mods");
    for (const TreeEntry& entry : inputEntries)
        if (entry.relative.find('/') == std::string::npos) taken.insert(entry.relative);
    std::vector<AppContent> contents;
    for (const std::string& source : request.appContent) {
        AppContent content;
        content.source = source;
        content.name = source.substr(source.rfind('/') + 1);
        struct stat info;
        if (stat(source.c_str(), &info) != 0)
            refuse("--app-content %s does not exist: give files or folders to copy into app/",
                   shownName(source).c_str());
        if (content.name.empty() || content.name == "." || content.name == "..")
            refuse("--app-content %s has no name to give it in app/: name the folder itself",
                   shownName(source).c_str());
        if (!taken.insert(content.name).second)
            refuse(
                "--app-content %s would be app/%s, which the input, another --app-content or "
                "the image already has: rename one of them",
                shownName(source).c_str(), shownName(content.name).c_str());
        content.folder = S_ISDIR(info.st_mode);
        if (content.folder) content.entries = listTree(source);
        if (request.target == ImageTarget::Windows) {
            checkWindowsName(source, content.name);
            for (const TreeEntry& entry : content.entries) checkWindowsName(source, entry.relative);
        }
        contents.push_back(std::move(content));
    }
    return contents;
}

}  // namespace trellane
