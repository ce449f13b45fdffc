#include "package/inputs/app_input.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/windows_names.h"
#include "package/inputs/class_path.h"
#include "package/inputs/jar_file.h"

namespace trellane {

namespace {

bool isJarName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string suffix = path.substr(path.size() - 4);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".jar";
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// A path below --input: relative, without "..", no trailing '/'.
std::string inputRelative(const std::string& option, std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.compare(0, 2, "./") == 0) path = path.substr(2);
    bool climbs = path == ".." || path.compare(0, 3, "../") == 0 ||
                  path.find("/../") != std::string::npos ||
                  (path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0);
    if (path.empty() || path[0] == '/' || climbs)
        refuse("%s %s: give a path inside the --input folder, relative to it", option.c_str(),
               shownName(path).c_str());
    return path;
}

void checkMainJarFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        refuse("the main jar %s does not exist (--main-jar is relative to the --input folder)",
               shownName(path).c_str());
    if (S_ISDIR(info.st_mode))
        refuse("the main jar %s is a folder, not a jar: give the jar file with --main-jar",
               shownName(path).c_str());
}

void checkWindowsNames(const std::string& input, const std::vector<TreeEntry>& entries) {
    for (const TreeEntry& entry : entries) {
        std::string name = entry.relative.substr(entry.relative.rfind('/') + 1);
        std::string problem = windowsNameProblem(name);
        if (!problem.empty())
            refuse("%s/%s cannot go into a Windows image: its name %s; rename it",
                   shownName(input).c_str(), entry.relative.c_str(), problem.c_str());
    }
}

void checkClassPathName(const std::string& input, const std::string& jar, char separator) {
    if (jar.find(separator) != std::string::npos)
        refuse(
            "%s/%s cannot be on the class path: its name holds '%c', which separates the "
            "class path's entries; rename it",
            shownName(input).c_str(), shownName(jar).c_str(), separator);
    if (jar.find("&&") != std::string::npos)
        refuse(
            "%s/%s cannot be on the class path: its name holds \"&&\", which the launcher "
            "replaces with its app folder; rename it",
            shownName(input).c_str(), shownName(jar).c_str());
}

void checkWildcardFolders(const PackageRequest& request, AppInput& app) {
    for (const std::string& folder : request.classPathWildcards) {
        std::string relative = inputRelative("--class-path-wildcard", folder);
        struct stat info;
        std::string path = request.input + "/" + relative;
        if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            refuse("--class-path-wildcard %s: %s has no such folder", shownName(folder).c_str(),
                   shownName(request.input).c_str());
        app.wildcardFolders.push_back(relative);
    }
}

}  // namespace

AppInput readAppInput(const PackageRequest& request) {
    const std::string& input = request.input;
    struct stat info;
    if (input.empty()) return {};  // --module without --input
    if (stat(input.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        refuse(
            "the input %s is not a folder: give --input the folder of the application's jars "
            "and files",
            shownName(input).c_str());
    AppInput app;
    const bool modular = !request.mainModule.empty();
    if (!modular) {
        app.mainJar = inputRelative("--main-jar", request.mainJar);
        checkMainJarFile(input + "/" + app.mainJar);
    }
    const std::string& mainJar = app.mainJar;

    std::vector<OutsideLink> outside;
    app.entries = listTree(input, &outside);
    for (const OutsideLink& link : outside)
        app.warnings.push_back(
            "the input's " + shownName(link.relative) + " is a symbolic link to " +
            shownName(link.target) +
            ", outside the input: what it leads to is copied into the "
            "image as app/" +
            shownName(link.relative) +
            "; copy it into the input, or remove the link, if that was not meant");
    // The image gets the runtime jar that matches its launcher, whatever the input holds.
    auto oldRuntimeJar =
        std::find_if(app.entries.begin(), app.entries.end(), [&](const TreeEntry& e) {
            return e.relative == kRuntimeJarName && !e.folder && mainJar != kRuntimeJarName;
        });
    if (oldRuntimeJar != app.entries.end()) {
        app.entries.erase(oldRuntimeJar);
        app.warnings.push_back(std::string("the input's ") + kRuntimeJarName +
                               " is replaced by the one that comes with this command");
    }
    if (request.target == ImageTarget::Windows) checkWindowsNames(input, app.entries);
    for (const TreeEntry& entry : app.entries)
        if (!entry.folder && isJarName(entry.relative)) app.jars.push_back(entry.relative);

    std::vector<JarFile> jars(app.jars.size());
    const JarFile* mainJarFile = nullptr;
    for (size_t i = 0; i < app.jars.size(); ++i) {
        std::string path = input + "/" + app.jars[i], problem;
        if (!readJar(path, jars[i], problem))
            refuse("%s %s; repair it or remove it", shownName(path).c_str(), problem.c_str());
        if (app.jars[i] == mainJar) mainJarFile = &jars[i];
    }
    auto holding = [&](const std::string& className) {
        return std::any_of(jars.begin(), jars.end(),
                           [&](const JarFile& jar) { return jarHoldsClass(jar, className); });
    };
    for (AddedLauncher added : request.addedLaunchers) {
        if (added.mainJar.empty()) {
            if (!modular && !added.mainClass.empty() && !holding(added.mainClass))
                refuse("--add-launcher %s: the main class %s is in none of the jars of %s",
                       added.name.c_str(), added.mainClass.c_str(), shownName(input).c_str());
            continue;
        }
        std::string jar = inputRelative("main-jar of --add-launcher " + added.name, added.mainJar);
        auto found = std::find(app.jars.begin(), app.jars.end(), jar);
        if (found == app.jars.end())
            refuse("--add-launcher %s: its main-jar %s is not a jar of %s", added.name.c_str(),
                   shownName(jar).c_str(), shownName(input).c_str());
        std::string mainClass = added.mainClass;
        if (mainClass.empty())
            mainClass =
                trimmed(manifestAttribute(jars[found - app.jars.begin()].manifest, "Main-Class"));
        if (mainClass.empty())
            refuse(
                "--add-launcher %s: give main-class, or a main-jar whose manifest has a "
                "Main-Class (%s has none)",
                added.name.c_str(), shownName(jar).c_str());
        if (!holding(mainClass))
            refuse("--add-launcher %s: the main class %s is in none of the jars of %s",
                   added.name.c_str(), mainClass.c_str(), shownName(input).c_str());
        app.addedMainClasses[added.name] = mainClass;
    }
    if (modular) {
        checkWildcardFolders(request, app);
        return app;
    }
    if (mainJarFile == nullptr)
        refuse("the main jar %s/%s is not a jar: its name must end in .jar",
               shownName(input).c_str(), shownName(mainJar).c_str());

    app.splashImage = trimmed(manifestAttribute(mainJarFile->manifest, "SplashScreen-Image"));
    app.mainClass = request.mainClass;
    if (app.mainClass.empty())
        app.mainClass = trimmed(manifestAttribute(mainJarFile->manifest, "Main-Class"));
    if (app.mainClass.empty())
        refuse(
            "no main class: give --main-class, or a main jar whose manifest has a Main-Class "
            "(%s has none)",
            shownName(mainJar).c_str());
    bool found = std::any_of(jars.begin(), jars.end(),
                             [&](const JarFile& jar) { return jarHoldsClass(jar, app.mainClass); });
    if (!found)
        refuse(
            "the main class %s is in none of the %zu jars of %s: check --main-class (dotted: "
            "com.example.Main) and the jars",
            app.mainClass.c_str(), jars.size(), shownName(input).c_str());

    checkWildcardFolders(request, app);

    char separator = request.target == ImageTarget::Windows ? ';' : ':';
    for (size_t i = 0; i < app.jars.size(); ++i) {
        checkClassPathName(input, app.jars[i], separator);
        std::string attribute = manifestAttribute(jars[i].manifest, "Class-Path");
        for (const std::string& entry : classPathEntriesOutside(app.jars[i], attribute))
            app.warnings.push_back(shownName(app.jars[i]) + ": its manifest's Class-Path names " +
                                   shownName(entry) +
                                   ", outside the image's app/ folder: the image is not "
                                   "self-contained");
    }
    return app;
}

}  // namespace trellane
