#include "package/installers/deb/deb_embedded_libraries.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <iterator>
#include <regex>

#include "common/refusal.h"
#include "common/regular_file.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

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

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// zlib's own notice, " deflate 1.3.1 Copyright 1995-2024 Jean-loup Gailly and Mark Adler ", or
// inflate's; not the "4 inflate"-style texts of other programs.
bool carriesZlib(const std::string& run) {
    if (run.find("flate ") == std::string::npos) return false;
    static const std::regex notice("(in|de)flate [0-9][ A-Za-z0-9_.-]{1,20}[A-Za-z0-9_.-]");
    for (auto match = std::sregex_iterator(run.begin(), run.end(), notice);
         match != std::sregex_iterator(); ++match) {
        size_t at = static_cast<size_t>(match->position(0));
        if (at < 2 || run.compare(at - 2, 2, "4 ") != 0) return true;
    }
    return false;
}

struct Marker {
    const char* library;
    bool (*carried)(const std::string& run);
};

const Marker kMarkers[] = {
    {"freetype",
     [](const std::string& run) { return run.find("HuaTianSongTi?") != std::string::npos; }},
    {"lcms",
     [](const std::string& run) {
         return run.find("cmsCreateTransform: intent mismatch") != std::string::npos;
     }},
    {"lcms2",
     [](const std::string& run) {
         return run.find("Unsupported number of channels for VCGT") != std::string::npos;
     }},
    {"libjpeg",
     [](const std::string& run) {
         return startsWith(run, "Caution: quantization tables are too coarse for baseline JPEG");
     }},
    {"libpng",
     [](const std::string& run) {
         return startsWith(run, "Potential overflow in png_zalloc") ||
                startsWith(run, "gamma value does not match libpng estimate");
     }},
    {"zlib", carriesZlib},
};

}  // namespace

// Each run of printable text in the bytes, at least four characters long, is matched as the
// strings program lists it and lintian reads it: one per line.
std::vector<std::string> librariesCarried(const std::string& bytes) {
    bool seen[std::size(kMarkers)] = {};
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        unsigned char c = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
        if ((c >= 0x20 && c < 0x7f) || c == '\t') continue;
        if (i - start >= 4) {
            std::string run = bytes.substr(start, i - start);
            for (size_t m = 0; m < std::size(kMarkers); ++m)
                if (!seen[m]) seen[m] = kMarkers[m].carried(run);
        }
        start = i + 1;
    }
    std::vector<std::string> carried;
    for (size_t m = 0; m < std::size(kMarkers); ++m)
        if (seen[m]) carried.push_back(kMarkers[m].library);
    return carried;
}

std::vector<EmbeddedLibrary> findEmbeddedLibraries(const std::string& root,
                                                   const std::string& folder) {
    std::vector<EmbeddedLibrary> found;
    for (const TreeEntry& entry : listTree(root + "/" + folder)) {
        std::string relative = folder + "/" + entry.relative, bytes, problem;
        if (entry.folder || !isElf(root + "/" + relative)) continue;
        if (!readWholeFile(root + "/" + relative, kMaxLibraryFileSize, bytes, problem))
            refuse("cannot read %s: %s", relative.c_str(), problem.c_str());
        for (const std::string& library : librariesCarried(bytes))
            found.push_back({relative, library});
    }
    return found;
}

}  // namespace trellane
