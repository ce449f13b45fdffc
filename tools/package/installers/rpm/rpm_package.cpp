#include "package/installers/rpm/rpm_package.h"

#include <filesystem>
#include <vector>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/text_split.h"
#include "package/installers/desktop_files.h"
#include "package/installers/linux_package_file.h"
#include "package/installers/linux_package_tree.h"
#include "package/installers/linux_package_values.h"
#include "package/installers/rpm/rpm_recipe.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

constexpr unsigned kToolSeconds = 600;

// The payload's compression (rpmbuild's _binary_payload): zstd at level 9 on every processor.
// Every rpm of a supported system reads it (RHEL 8.2's 4.14.2 and later, every Fedora since
// 28, SLES and Leap 15 from SP2 and 15.2; not RHEL 7's 4.11), and on the demo's image it packs
// in a sixth of xz level 2's time for a package 11% larger (make bench-rpm-payloads).
// Levels 3 to 7 are quicker still but near or past 15% larger; from 15 on, slower than xz 2.
constexpr char kPayload[] = "w9T.zstdio";

std::string baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file names of the shared libraries in the image: what it provides itself.
std::vector<std::string> imageLibraries(const std::string& image) {
    std::vector<std::string> names;
    for (const TreeEntry& entry : listTree(image)) {
        std::string name = baseName(entry.relative);
        if (!entry.folder && name.find(".so") != std::string::npos &&
            isElfFileAt(image + "/" + entry.relative))
            names.push_back(name);
    }
    return names;
}

}  // namespace

std::string rpmArchitecture() {
    std::string rpm = requirePackagingProgram("rpm", "rpm", "rpm");
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = kToolSeconds;
    ProgramRun run = runProgram({rpm, "--eval", "%{_arch}"}, options);
    std::vector<std::string> words = splitWords(run.output, " \n");
    if (!run.succeeded() || words.size() != 1 || words[0].find('%') != std::string::npos)
        refuse("rpm --eval %%{_arch} did not name this machine's architecture (%s)",
               describeEnd(run).c_str());
    return words[0];
}

std::string writeRpmPackage(const PackageRequest& request, const RpmDescription& rpm,
                            const std::string& image) {
    std::string rpmbuild = requirePackagingProgram("rpm", "rpmbuild", "rpm");
    // Absolute: rpmbuild reads the tree and writes the package from a folder of its own.
    std::string temporary = std::filesystem::absolute(image.substr(0, image.rfind('/'))).string();
    std::string root = temporary + "/buildroot";
    makeFolder(root);
    moveImageIntoTree(image, root, rpm.imagePath);

    RpmContents contents;
    contents.payload = kPayload;
    for (const std::string& path : writeDesktopFiles(root, rpm.desktop))
        contents.files.push_back("/" + path);
    if (!rpm.licenseFile.empty()) {
        std::string text = licenseText(rpm.licenseFile);
        // Its own name when that is a plain one, as the license folder shows it.
        std::string name = baseName(rpm.licenseFile);
        if (!isAlphanumericOr(name, "._+-") || name[0] == '.') name = "LICENSE";
        contents.licenseFile = "/usr/share/licenses/" + rpm.package + "/" + name;
        writeTreeFile(root, contents.licenseFile.substr(1), text);
        contents.files.push_back(contents.licenseFile);
    }
    contents.imageLibraries = imageLibraries(root + rpm.imagePath);
    settlePermissions(root, true);

    std::string recipe = temporary + "/" + rpm.package + ".recipe";
    writeNewFile(recipe, rpmRecipe(rpm, contents, packagingTime()));
    std::string top = temporary + "/rpmbuild";
    progress("rpm: building %s with rpmbuild", rpm.fileName().c_str());
    // --noclean: the recipe has no build step, so rpmbuild runs no script at all; the temporary
    // folder goes as a whole.
    ProgramOptions options;
    options.timeoutSeconds = kToolSeconds;
    ProgramRun run =
        runProgram({rpmbuild, "-bb", "--noclean", "--quiet", "--define", "_topdir " + top,
                    "--define", "_tmppath " + top + "/tmp", "--define", "_rpmdir " + temporary,
                    "--define", "_rpmfilename " + rpm.fileName(), "--buildroot", root, recipe},
                   options);
    if (!run.succeeded())
        refuse("rpmbuild could not build the package (%s):\n%s",
               describeEnd(run, kToolSeconds).c_str(), outputTail(run.output).c_str());
    return placePackage(request, temporary + "/" + rpm.fileName(), rpm.fileName());
}

}  // namespace trellane
