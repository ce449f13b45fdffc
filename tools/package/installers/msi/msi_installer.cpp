#include "package/installers/msi/msi_installer.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "brand/signing.h"
#include "common/child_process.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "common/temporary_path.h"
#include "common/windows_names.h"
#include "package/image/image_output.h"
#include "package/installers/msi/msi_file_associations.h"
#include "package/installers/msi/msi_guid.h"
#include "package/installers/msi/msi_icon.h"
#include "package/installers/msi/msi_limits.h"
#include "package/installers/msi/msi_source.h"
#include "package/installers/msi/msi_version.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

// wixl reads and compresses the whole image in one go: a large runtime takes a while, but not
// this long.
constexpr unsigned kWixlTimeoutSeconds = 600;

const char kUnknownVendor[] = "Unknown";  // jpackage's, when no --vendor is given

std::vector<std::string> madeFolders;  // --dest and its missing parents, deepest last

void removeMadeFolders() {
    // What is being written inside them goes first, or they are not empty.
    removeTemporaryPaths();
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) rmdir(it->c_str());
    madeFolders.clear();
}

void makeMissingFolders(const std::string& path) {
    std::vector<std::string> missing;
    std::string folder = path;
    struct stat info;
    while (!folder.empty() && folder != "/" && folder != "." && stat(folder.c_str(), &info) != 0) {
        missing.insert(missing.begin(), folder);
        size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? "" : folder.substr(0, slash);
    }
    for (const std::string& part : missing) {
        makeFolder(part);
        madeFolders.push_back(part);
    }
}

// INSTALL-DIR's levels: '\' or '/' between them, each a Windows folder name.
std::vector<std::string> installDirLevels(const std::string& given, const std::string& name) {
    if (given.empty()) return {name};
    if (given[0] == '\\' || given[0] == '/' || given.find(':') != std::string::npos)
        refuse(
            "--install-dir %s: give the folder relative to Program Files (or to LocalAppData "
            "with --win-per-user-install), for example \"Acme\\Editor\"; a user chooses "
            "another place with msiexec /i FILE.msi INSTALLDIR=...",
            given.c_str());
    std::vector<std::string> levels(1);
    for (char c : given) {
        if (c == '\\' || c == '/')
            levels.emplace_back();
        else
            levels.back() += c;
    }
    for (const std::string& level : levels) {
        std::string problem = windowsNameProblem(level);
        if (!problem.empty())
            refuse("--install-dir %s: the folder name \"%s\" %s; choose another", given.c_str(),
                   level.c_str(), problem.c_str());
    }
    return levels;
}

void refuseExistingOutput(const std::string& output, bool overwrite) {
    struct stat info;
    if (lstat(output.c_str(), &info) != 0) return;
    if (!S_ISREG(info.st_mode))
        refuse("%s exists and is not a file: remove it, or choose another --dest", output.c_str());
    if (!overwrite)
        refuse(
            "%s exists: give --overwrite to replace it, or choose another --dest or "
            "--app-version",
            output.c_str());
}

bool isEmptyFolder(const std::string& path) {
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) return false;
    bool empty = true;
    while (dirent* entry = readdir(folder))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            empty = false;
    closedir(folder);
    return empty;
}

// --temp DIR (new or empty, kept) or a temporary folder that goes whatever ends the command.
std::string workFolder(const std::string& temp) {
    if (!temp.empty()) {
        struct stat info;
        if (stat(temp.c_str(), &info) == 0 && !(S_ISDIR(info.st_mode) && isEmptyFolder(temp)))
            refuse("--temp %s exists and is not an empty folder: give a new or empty one",
                   temp.c_str());
        if (stat(temp.c_str(), &info) != 0 && mkdir(temp.c_str(), 0777) != 0)
            refuse("cannot make --temp %s: %s", temp.c_str(), std::strerror(errno));
        return temp;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != 0 ? tmp : "/tmp") + "/trellane-package-msi-XXXXXX";
    if (!createTemporaryFolder(pattern))
        refuse("cannot make a temporary folder for the installer: %s", std::strerror(errno));
    return pattern;
}

// wixl says nothing when all goes well; anything it says is an attribute it dropped or a
// problem it met, and the MSI would not be what the source says.
void runWixl(const std::string& source, const std::string& msi) {
    std::string wixl = findProgram("wixl");
    if (wixl.empty())
        refuse("building an MSI needs wixl, which is not installed: apt-get install wixl");
    ProgramRun run = runProgramWithLimit(
        {wixl, "-a", "x64", "-D", std::string(kWixlDollarVariable) + "=$", "-o", msi, source},
        kWixlTimeoutSeconds);
    std::string said = run.output + run.error;
    if (!run.succeeded() || !said.empty())
        refuse("wixl did not build the MSI cleanly (%s) from %s:\n%s",
               describeEnd(run, kWixlTimeoutSeconds).c_str(), source.c_str(),
               outputTail(said).c_str());
}

// A new temporary file beside output, held (removed by a refusal or a signal) until placed.
std::string temporaryBeside(const std::string& output) {
    std::string temporary = temporaryTemplateBeside(output);
    int descriptor = createTemporaryFile(temporary);
    if (descriptor < 0) refuse("cannot write %s: %s", output.c_str(), std::strerror(errno));
    close(descriptor);
    unlink(temporary.c_str());
    return temporary;
}

// Another build may have put a package at output since the check: it is replaced only with
// --overwrite, as the image and the .deb are.
void placePackage(const std::string& temporary, const std::string& output, bool overwrite) {
    stopIfInterrupted();
    if (overwrite) {
        if (!moveTemporaryPath(temporary, output))
            refuse("cannot write %s: %s", output.c_str(), std::strerror(errno));
        return;
    }
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, output.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST)
            refuse(
                "%s appeared while the MSI was built; it is left as it is: give --overwrite to "
                "replace it, or choose another --dest or --app-version",
                output.c_str());
        refuse("cannot write %s: %s", output.c_str(), std::strerror(errno));
    }
    releaseTemporaryPath(temporary);
}

std::vector<MsiPayloadEntry> payload(const std::string& root, const std::vector<TreeEntry>& entries,
                                     const std::string& prefix) {
    std::vector<MsiPayloadEntry> listed;
    for (const TreeEntry& entry : entries) {
        MsiPayloadEntry item{prefix + entry.relative, entry.folder, 0};
        struct stat info;
        if (!entry.folder && stat((root + "/" + entry.relative).c_str(), &info) == 0)
            item.size = static_cast<uint64_t>(info.st_size);
        listed.push_back(item);
    }
    return listed;
}

}  // namespace

void MsiInstaller::check(const ImagePlan& plan) {
    const PackageRequest& request = plan.request;
    const MsiRequest& msi = request.msi;
    const std::string& name = plan.name;
    MsiSource& source = source_;
    source.name = name;
    source.vendor = request.metadata.vendor.empty() ? kUnknownVendor : request.metadata.vendor;
    source.version = msiVersion(request.metadata.version);
    if (source.version.fourthPartIgnored)
        warn(
            "--app-version %s: Windows compares only the first three parts of an MSI's "
            "version, so this installer does not replace one of %s with another fourth "
            "part (Windows refuses it as installed already); count releases in the first "
            "three parts",
            request.metadata.version.c_str(), source.version.compared.c_str());
    if (msi.upgradeUuid.empty()) {
        source.upgradeCode = nameBasedGuid(kUpgradeCodeNamespace, source.vendor + "\n" + name);
    } else if (!normalGuid(msi.upgradeUuid, source.upgradeCode)) {
        refuse(
            "--win-upgrade-uuid %s is not a UUID (8-4-4-4-12 hexadecimal digits); give the "
            "one earlier versions were built with, or leave it out",
            msi.upgradeUuid.c_str());
    }
    // One product code per version as Windows compares it and per scope: a rebuilt package of
    // the same version is refused as installed already, never installed beside it, and the
    // per-user package is a product of its own, not a repair of the per-machine one.
    source.productCode =
        nameBasedGuid(source.upgradeCode,
                      (msi.perUser ? "per-user product " : "product ") + source.version.compared);
    source.perUser = msi.perUser;
    source.installDir = installDirLevels(msi.installDir, name);
    source.menu = msi.menu;
    source.menuGroup = msi.menuGroup.empty()
                           ? (request.metadata.vendor.empty() ? name : request.metadata.vendor)
                           : msi.menuGroup;
    source.desktop = msi.shortcut;
    for (const ImageLauncher& launcher : plan.launchers) {
        MsiShortcut shortcut{launcher.name, "bin/" + launcher.fileName, msi.description, msi.menu,
                             msi.shortcut};
        if (launcher.added != nullptr) {
            if (!launcher.description.empty()) shortcut.description = launcher.description;
            shortcut.menu = launcher.winMenu.value_or(msi.menu);
            shortcut.desktop = launcher.winShortcut.value_or(msi.shortcut);
        }
        source.menu = source.menu || shortcut.menu;
        source.desktop = source.desktop || shortcut.desktop;
        source.shortcuts.push_back(shortcut);
    }
    // The group is a folder of the Start menu whenever any launcher has a shortcut there.
    if (source.menu) {
        std::string problem = windowsNameProblem(source.menuGroup);
        if (!problem.empty())
            refuse("the Start-menu group \"%s\" %s; choose another --win-menu-group",
                   source.menuGroup.c_str(), problem.c_str());
    }
    source.description = msi.description;
    source.aboutUrl = msi.aboutUrl;
    source.helpUrl = msi.helpUrl;
    source.updateUrl = msi.updateUrl;
    source.associations = readFileAssociations(msi.fileAssociations, name);
    checkMsiText("--name", name);
    checkMsiText("--vendor", source.vendor);
    checkMsiText("--description", source.description);
    checkMsiText("--about-url", source.aboutUrl);
    checkMsiText("--win-help-url", source.helpUrl);
    checkMsiText("--win-update-url", source.updateUrl);
    checkMsiText("--install-dir", msi.installDir);
    if (source.menu) checkMsiText("the Start-menu group (--win-menu-group)", source.menuGroup);
    for (const FileAssociation& association : source.associations)
        checkMsiText("the description in " + association.source, association.description);
    checkMsiPayload(payload(request.input, plan.app.entries, ""), request.input + "/");
    output_ = request.dest + "/" + name + "-" +
              (request.metadata.version.empty() ? "1.0" : request.metadata.version) + ".msi";
    refuseExistingOutput(output_, request.overwrite);
    if (findProgram("wixl").empty())
        refuse("building an MSI needs wixl, which is not installed: apt-get install wixl");
}

std::string MsiInstaller::imageFolder(const ImagePlan& plan) {
    work_ = workFolder(plan.request.msi.temp);
    // The work folder is new, but --temp (or TMPDIR) may be inside the input.
    checkImageDestination(work_, plan.name, plan.request.input, false);
    return work_;
}

std::string MsiInstaller::package(const ImagePlan& plan, const std::string&) {
    const PackageRequest& request = plan.request;
    const MsiRequest& msi = request.msi;
    const std::string& name = plan.name;
    MsiSource& source = source_;
    // The image is the installer's content, not to run: it goes to WORK/NAME, where --temp
    // keeps it.
    std::string image = placeImage(false);
    finishImage();
    progress("image: built %s (%s) in %.1f s", shownName(image).c_str(),
             describeSize(treeSize(image)).c_str(), monotonicSeconds() - plan.started);
    // wixl finds files relative to the source's folder, and no absolute path (0.101 fails on
    // one): the image is beside the source.
    source.image = name;
    source.launcher = "bin/" + name + ".exe";
    for (FileAssociation& association : source.associations) {
        if (association.iconPath.empty()) continue;
        association.installedIcon = "bin/" + association.extension + ".ico";
        copyFile(association.iconPath, image + "/" + association.installedIcon);
    }
    source.entries = listTree(image);
    checkMsiPayload(payload(image, source.entries, ""), "the image's ");

    source.productIcon = name + ".ico";
    writeNewFile(work_ + "/" + source.productIcon, launcherIconFile(image + "/" + source.launcher));
    std::string wxs = work_ + "/" + name + ".wxs";
    std::string unsignedMsi = work_ + "/" + name + ".msi";
    writeNewFile(wxs, writeWixSource(source));
    progress("msi: building %s with wixl", unsignedMsi.c_str());
    runWixl(wxs, unsignedMsi);

    setRefusalCleanup(removeMadeFolders);
    setInterruptionCleanup(removeMadeFolders);
    makeMissingFolders(request.dest);
    std::string placed = temporaryBeside(output_);
    if (wantsSignature(request.signing)) {
        progress("msi: signing and verifying %s", output_.c_str());
        SigningRequest signing = request.signing;
        signing.description = name;
        signExecutable(unsignedMsi, placed, signing, output_);
    } else {
        copyFile(unsignedMsi, placed);
    }
    placePackage(placed, output_, request.overwrite);
    setRefusalCleanup(nullptr);
    setInterruptionCleanup(nullptr);
    madeFolders.clear();
    if (msi.temp.empty()) removeTemporaryPath(work_);
    struct stat info;
    stat(output_.c_str(), &info);
    progress("built %s (%s) in %.1f s%s", output_.c_str(),
             describeSize(static_cast<uint64_t>(info.st_size)).c_str(),
             monotonicSeconds() - plan.started,
             msi.temp.empty() ? "" : ("; the image and the WiX source are in " + msi.temp).c_str());
    return output_;
}

}  // namespace trellane
