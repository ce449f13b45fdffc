#include "package/installers/deb/deb_package.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <vector>

#include "brand/png_image.h"
#include "common/child_process.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/text_split.h"
#include "package/installers/deb/deb_control.h"
#include "package/installers/deb/deb_embedded_libraries.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

constexpr unsigned kToolSeconds = 600;

std::string requireProgram(const char* name, const char* package) {
    std::string path = findProgram(name);
    if (path.empty())
        refuse(
            "--type deb runs %s, which is not installed: install Debian's %s package "
            "(apt-get install %s)",
            name, package, package);
    return path;
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

void makeFolders(const std::string& root, const std::string& relative) {
    std::string path = root;
    for (const std::string& part : splitWords(relative, "/")) {
        path += "/" + part;
        struct stat info;
        if (stat(path.c_str(), &info) != 0) makeFolder(path);
    }
}

void writeFile(const std::string& root, const std::string& relative, const std::string& text) {
    makeFolders(root, parentOf(relative));
    writeNewFile(root + "/" + relative, text);
}

// gzip -9n: the best compression and no name or time in the header, as Debian compresses its
// documentation, so the same text gives the same bytes.
std::string gzipBest(const std::string& text) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        refuse("cannot compress the changelog: zlib could not start");
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) refuse("cannot compress the changelog");
    return out;
}

// When the package says it was made: SOURCE_DATE_EPOCH for a reproducible build, else now.
int64_t packagingTime() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && seconds >= 0) return seconds;
    }
    return static_cast<int64_t>(std::time(nullptr));
}

// An association's icon in the desktop's icon theme, at its own size when the theme has that
// size, else at the nearest theme size below it (16 at the least).
void writeAssociationIcon(const std::string& root, const DebFileAssociation& association) {
    std::string bytes, problem;
    if (!readWholeFile(association.iconPath, kMaxIconFileSize, bytes, problem))
        refuse("cannot read the icon %s of --file-associations %s: %s",
               association.iconPath.c_str(), association.source.c_str(), problem.c_str());
    RgbaImage image;
    if (!decodePng(bytes, image, problem) || image.width != image.height)
        refuse("the icon %s of --file-associations %s is not a square PNG: give one",
               association.iconPath.c_str(), association.source.c_str());
    int size = 16;
    for (int themeSize : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        if (themeSize <= image.width) size = themeSize;
    if (size != image.width) bytes = encodePng(scaleImage(image, size));
    std::string side = std::to_string(size);
    writeFile(root,
              "usr/share/icons/hicolor/" + side + "x" + side + "/mimetypes/" +
                  mimeIconName(association.mimeType) + ".png",
              bytes);
}

bool isElf(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char magic[4] = {};
    bool elf = read(fd, magic, 4) == 4 && std::memcmp(magic,
                                                      "\x7f"
                                                      "ELF",
                                                      4) == 0;
    close(fd);
    return elf;
}

// Whether a file is one the system can run: a program or library, or a script.
bool isRunnable(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    char magic[4] = {};
    ssize_t got = read(fd, magic, 4);
    close(fd);
    return (got == 4 && std::memcmp(magic,
                                    "\x7f"
                                    "ELF",
                                    4) == 0) ||
           (got >= 2 && magic[0] == '#' && magic[1] == '!');
}

// dpkg's permissions for a package's files: folders, and programs and scripts that were
// executable, 0755; every other file 0644, whatever the build machine's umask and the input's
// own bits were (a data file marked executable is not a program). Symbolic links (jlink links
// each module's copy of a shared legal notice to java.base's) are left as they are: changing
// one would change what it points to. Returns the installed size in KiB as dpkg counts it:
// each file's size rounded up, and one for every folder and link.
uint64_t settlePermissions(const std::string& root) {
    uint64_t kib = 0;
    for (const TreeEntry& entry : listTree(root)) {
        std::string path = root + "/" + entry.relative;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            refuse("cannot read %s: %s", path.c_str(), std::strerror(errno));
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
            kib += 1;
            continue;
        }
        bool runnable = S_ISDIR(info.st_mode) || ((info.st_mode & 0111) && isRunnable(path));
        if (chmod(path.c_str(), runnable ? 0755 : 0644) != 0)
            refuse("cannot set the permissions of %s: %s", path.c_str(), std::strerror(errno));
        kib += S_ISREG(info.st_mode) ? (static_cast<uint64_t>(info.st_size) + 1023) / 1024 : 1;
    }
    return kib;
}

// The packages the runtime's native libraries and the launcher need, as dpkg-shlibdeps finds
// them through the system's package database. Libraries of the image itself (libjvm.so beside
// the others) are found in the image and need no package.
std::vector<std::string> libraryDependencies(const std::string& work, const std::string& root,
                                             const DebDescription& deb) {
    std::string shlibdeps = requireProgram("dpkg-shlibdeps", "dpkg-dev");
    // Absolute paths: the run happens in the work folder.
    std::string image = std::filesystem::absolute(root + deb.imagePath).string();
    std::vector<std::string> binaries;
    std::set<std::string> libraryFolders;
    for (const TreeEntry& entry : listTree(image)) {
        std::string path = image + "/" + entry.relative;
        if (entry.folder || !isElf(path)) continue;
        binaries.push_back(path);
        if (path.size() > 3 && path.find(".so") != std::string::npos)
            libraryFolders.insert(parentOf(path));
    }
    if (binaries.empty()) return {};
    // dpkg-shlibdeps reads a source package's control file; this one names the package alone.
    writeFile(work, "debian/control",
              "Source: " + deb.package + "\n\nPackage: " + deb.package + "\nArchitecture: any\n");
    std::vector<std::string> command{shlibdeps, "-O", "--warnings=0"};
    for (const std::string& folder : libraryFolders) command.push_back("-l" + folder);
    command.push_back("-e");
    command.insert(command.end(), binaries.begin(), binaries.end());
    // The run's folder is where it finds debian/control.
    std::vector<std::string> inFolder{"/usr/bin/env", "-C", work};
    inFolder.insert(inFolder.end(), command.begin(), command.end());
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = kToolSeconds;
    ProgramRun run = runProgram(inFolder, options);
    if (!run.succeeded())
        refuse(
            "dpkg-shlibdeps could not work out the packages the runtime's libraries need "
            "(%s):\n%s",
            describeEnd(run, kToolSeconds).c_str(), outputTail(run.error).c_str());
    std::vector<std::string> depends;
    const std::string key = "shlibs:Depends=";
    for (const std::string& line : splitWords(run.output, "\n"))
        if (line.compare(0, key.size(), key) == 0)
            for (const std::string& relation : splitWords(line.substr(key.size()), ","))
                depends.push_back(relation.substr(relation.find_first_not_of(' ')));
    return depends;
}

}  // namespace

std::string debArchitecture() {
    std::string dpkg = requireProgram("dpkg", "dpkg");
    ProgramOptions options;
    options.separateError = true;
    options.timeoutSeconds = kToolSeconds;
    ProgramRun run = runProgram({dpkg, "--print-architecture"}, options);
    std::vector<std::string> words = splitWords(run.output, " \n");
    if (!run.succeeded() || words.size() != 1)
        refuse("dpkg --print-architecture did not name this machine's architecture (%s)",
               describeEnd(run).c_str());
    return words[0];
}

void checkDebDestination(const PackageRequest& request, const DebDescription& deb) {
    std::string destination = request.dest + "/" + deb.fileName();
    struct stat info;
    if (lstat(destination.c_str(), &info) != 0) return;
    if (!S_ISREG(info.st_mode))
        refuse("%s exists and is not a file: remove it, or choose another --dest",
               destination.c_str());
    if (!request.overwrite)
        refuse("%s exists: give --overwrite to replace it, or choose another --dest",
               destination.c_str());
}

std::string writeDebPackage(const PackageRequest& request, const DebDescription& deb,
                            const std::string& image) {
    std::string dpkgDeb = requireProgram("dpkg-deb", "dpkg");
    std::string temporary = parentOf(image);
    std::string root = temporary + "/package";
    makeFolder(root);
    makeFolders(root, parentOf(deb.imagePath));
    if (rename(image.c_str(), (root + deb.imagePath).c_str()) != 0)
        refuse("cannot move the image into the package's tree: %s", std::strerror(errno));

    int64_t now = packagingTime();
    std::string doc = "usr/share/doc/" + deb.package;
    std::string license;
    if (!deb.licenseFile.empty()) {
        std::string problem;
        if (!readWholeFile(deb.licenseFile, kMaxDocumentSize, license, problem))
            refuse("cannot read --license-file %s: %s", deb.licenseFile.c_str(), problem.c_str());
    }
    std::string copyright = debCopyright(deb, now, license);
    writeFile(root, doc + "/copyright", copyright);
    writeFile(root, doc + "/changelog.Debian.gz", gzipBest(debChangelog(deb, now)));
    writeFile(root, "usr/share/lintian/overrides/" + deb.package,
              lintianOverrides(deb, findEmbeddedLibraries(root, deb.imagePath.substr(1))));
    if (deb.shortcut || !deb.associations.empty())
        writeFile(root, "usr/share/applications/" + deb.package + ".desktop", desktopEntry(deb));
    for (const DebLauncher& launcher : deb.launchers)
        if (launcher.shortcut)
            writeFile(root,
                      "usr/share/applications/" + deb.package + "-" + launcher.name + ".desktop",
                      launcherDesktopEntry(deb, launcher));
    if (!deb.associations.empty()) {
        writeFile(root, "usr/share/mime/packages/" + deb.package + ".xml", mimeInfo(deb));
        for (const DebFileAssociation& association : deb.associations)
            if (!association.iconPath.empty()) writeAssociationIcon(root, association);
    }

    progress("deb: finding the packages the runtime's libraries need with dpkg-shlibdeps");
    std::vector<std::string> depends = libraryDependencies(temporary, root, deb);
    depends.insert(depends.end(), deb.extraDepends.begin(), deb.extraDepends.end());
    uint64_t installedKiB = settlePermissions(root);
    makeFolder(root + "/DEBIAN");
    writeNewFile(root + "/DEBIAN/control", debControl(deb, installedKiB, depends));
    chmod((root + "/DEBIAN").c_str(), 0755);
    chmod((root + "/DEBIAN/control").c_str(), 0644);

    progress("deb: building %s with dpkg-deb", deb.fileName().c_str());
    std::string built = temporary + "/" + deb.fileName();
    ProgramOptions options;
    options.timeoutSeconds = kToolSeconds;
    ProgramRun run = runProgram({dpkgDeb, "--root-owner-group", "--build", root, built}, options);
    if (!run.succeeded())
        refuse("dpkg-deb could not build the package (%s):\n%s",
               describeEnd(run, kToolSeconds).c_str(), outputTail(run.output).c_str());

    stopIfInterrupted();
    std::string destination = request.dest + "/" + deb.fileName();
    unsigned flags = request.overwrite ? 0 : RENAME_NOREPLACE;
    if (renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, destination.c_str(), flags) != 0)
        refuse("cannot put the package at %s: %s", destination.c_str(), std::strerror(errno));
    return destination;
}

}  // namespace trellane
