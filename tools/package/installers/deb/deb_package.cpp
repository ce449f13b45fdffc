#include "package/installers/deb/deb_package.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <vector>

#include "common/child_process.h"
#include "common/refusal.h"
#include "common/text_split.h"
#include "package/installers/deb/deb_control.h"
#include "package/installers/deb/deb_embedded_libraries.h"
#include "package/installers/desktop_files.h"
#include "package/installers/linux_package_file.h"
#include "package/installers/linux_package_tree.h"
#include "package/support/file_tree.h"
#include "package/support/progress.h"

namespace trellane {

namespace {

constexpr unsigned kToolSeconds = 600;

// xz at level 2, on as many threads as dpkg-deb runs: every dpkg of a supported system reads
// it (zstd needs dpkg 1.21.18), and on the demo's 79 MB image it takes about a quarter of
// the time of dpkg-deb's default level 6 for a package 15% larger (bench/packages.py).
// dpkg-deb's own DPKG_DEB_COMPRESSOR_TYPE and DPKG_DEB_COMPRESSOR_LEVEL still choose, when set.
std::vector<std::string> compressionOptions() {
    for (const char* name : {"DPKG_DEB_COMPRESSOR_TYPE", "DPKG_DEB_COMPRESSOR_LEVEL"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return {};
    }
    return {"-Zxz", "-z2"};
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
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

// The packages the runtime's native libraries and the launcher need, as dpkg-shlibdeps finds
// them through the system's package database. Libraries of the image itself (libjvm.so beside
// the others) are found in the image and need no package.
std::vector<std::string> libraryDependencies(const std::string& work, const std::string& root,
                                             const DebDescription& deb) {
    std::string shlibdeps = requirePackagingProgram("deb", "dpkg-shlibdeps", "dpkg-dev");
    // Absolute paths: the run happens in the work folder.
    std::string image = std::filesystem::absolute(root + deb.imagePath).string();
    std::vector<std::string> binaries;
    std::set<std::string> libraryFolders;
    for (const TreeEntry& entry : listTree(image)) {
        std::string path = image + "/" + entry.relative;
        if (entry.folder || !isElfFileAt(path)) continue;
        binaries.push_back(path);
        if (path.size() > 3 && path.find(".so") != std::string::npos)
            libraryFolders.insert(parentOf(path));
    }
    if (binaries.empty()) return {};
    // dpkg-shlibdeps reads a source package's control file; this one names the package alone.
    writeTreeFile(
        work, "debian/control",
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
    std::string dpkg = requirePackagingProgram("deb", "dpkg", "dpkg");
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

std::string writeDebPackage(const PackageRequest& request, const DebDescription& deb,
                            const std::string& image) {
    std::string dpkgDeb = requirePackagingProgram("deb", "dpkg-deb", "dpkg");
    std::string temporary = parentOf(image);
    std::string root = temporary + "/package";
    makeFolder(root);
    moveImageIntoTree(image, root, deb.imagePath);

    int64_t now = packagingTime();
    std::string doc = "usr/share/doc/" + deb.package;
    std::string copyright = debCopyright(deb, now, licenseText(deb.licenseFile));
    writeTreeFile(root, doc + "/copyright", copyright);
    writeTreeFile(root, doc + "/changelog.Debian.gz", gzipBest(debChangelog(deb, now)));
    writeTreeFile(root, "usr/share/lintian/overrides/" + deb.package,
                  lintianOverrides(deb, findEmbeddedLibraries(root, deb.imagePath.substr(1))));
    writeDesktopFiles(root, deb.desktop);

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
    std::vector<std::string> command{dpkgDeb, "--root-owner-group"};
    for (const std::string& option : compressionOptions()) command.push_back(option);
    command.insert(command.end(), {"--build", root, built});
    ProgramRun run = runProgram(command, options);
    if (!run.succeeded())
        refuse("dpkg-deb could not build the package (%s):\n%s",
               describeEnd(run, kToolSeconds).c_str(), outputTail(run.output).c_str());
    return placePackage(request, built, deb.fileName());
}

}  // namespace trellane
