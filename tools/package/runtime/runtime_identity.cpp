#include "package/runtime/runtime_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/regular_file.h"
#include "exe/elf_header.h"
#include "exe/pe_image.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

struct Candidate {
    const char* path;
    RuntimeSystem system;
};

// The server JVM, where each system's JDK and jlink put it; a 32-bit Windows JRE may have only
// the client one, which still says what the runtime is.
const Candidate kCandidates[] = {
    {"bin/server/jvm.dll", RuntimeSystem::Windows},
    {"lib/server/libjvm.so", RuntimeSystem::Linux},
    {"lib/server/libjvm.dylib", RuntimeSystem::MacOs},
    {"Contents/Home/lib/server/libjvm.dylib", RuntimeSystem::MacOs},
    {"bin/client/jvm.dll", RuntimeSystem::Windows},
};

void readWindowsLibrary(const std::string& path, RuntimeIdentity& identity) {
    std::string file;
    if (!readWholeFile(path, kMaxLibraryFileSize, file, identity.problem)) {
        identity.problem = "cannot be read: " + identity.problem;
        return;
    }
    PeKind kind;
    if (!readPeKind(file, kind, identity.problem)) return;
    identity.processor = machineName(kind.machine);
    if (kind.machine != kMachineAmd64) return;
    if (kind.magic != kMagicPe32Plus) {
        identity.problem = "is damaged: an x86-64 file without a 64-bit (PE32+) header";
        return;
    }
    // The whole reading: a damaged or truncated library is named here, not by the loader.
    PeImage image;
    if (!readPeImage(file, image, identity.problem)) return;
    if ((kind.characteristics & kFileDll) == 0) {
        identity.problem = "is a program, not a DLL";
        return;
    }
    identity.x86_64 = true;
}

void readLinuxLibrary(const std::string& path, RuntimeIdentity& identity) {
    std::string head(64, '\0');
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    ssize_t got = fd < 0 ? -1 : pread(fd, &head[0], head.size(), 0);
    if (fd >= 0) close(fd);
    head.resize(got > 0 ? static_cast<size_t>(got) : 0);
    ElfKind kind;
    if (!readElfKind(head, kind, identity.problem)) return;
    identity.processor = elfMachineName(kind);
    if (kind.machine != kElfMachineX86_64 || !kind.is64Bit || !kind.littleEndian) return;
    if (kind.type != kElfTypeShared) {
        identity.problem = "is not a shared library";
        return;
    }
    identity.x86_64 = true;
}

}  // namespace

RuntimeIdentity identifyRuntime(const std::string& root) {
    RuntimeIdentity identity;
    for (const Candidate& candidate : kCandidates) {
        std::string path = root + "/" + candidate.path;
        if (!isRegularFile(path)) continue;
        identity.system = candidate.system;
        identity.jvmLibrary = candidate.path;
        if (candidate.system == RuntimeSystem::Windows)
            readWindowsLibrary(path, identity);
        else if (candidate.system == RuntimeSystem::Linux)
            readLinuxLibrary(path, identity);
        // A macOS runtime is refused for every target; what it is built for does not matter.
        break;
    }
    return identity;
}

std::string runtimeBelow(const std::string& folder, RuntimeSystem system) {
    const char* library =
        system == RuntimeSystem::Windows ? "bin/server/jvm.dll" : "lib/server/libjvm.so";
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return "";
    std::string found;
    while (struct dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (isRegularFile(folder + "/" + name + "/" + library)) {
            found = folder + "/" + name;
            break;
        }
    }
    closedir(listing);
    return found;
}

const char* systemName(RuntimeSystem system) {
    switch (system) {
        case RuntimeSystem::Windows:
            return "Windows";
        case RuntimeSystem::Linux:
            return "Linux";
        case RuntimeSystem::MacOs:
            return "macOS";
        default:
            return "unknown";
    }
}

const char* releaseSystemName(RuntimeSystem system) {
    return system == RuntimeSystem::MacOs ? "Darwin" : systemName(system);
}

bool releaseArchMatches(const std::string& osArch, const RuntimeIdentity& identity) {
    const std::string& processor = identity.processor;
    if (processor == "x86-64") return osArch == "x86_64" || osArch == "amd64";
    if (processor == "x86 (32-bit)")
        return osArch == "x86" || osArch == "i386" || osArch == "i586" || osArch == "i686";
    if (processor == "ARM64") return osArch == "aarch64" || osArch == "arm64";
    return true;  // nothing to compare with
}

}  // namespace trellane
