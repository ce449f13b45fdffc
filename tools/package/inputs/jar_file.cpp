#include "package/inputs/jar_file.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "package/inputs/module_descriptor.h"

namespace trellane {

namespace {

const char kManifestEntry[] = "META-INF/MANIFEST.MF";

// The largest manifest Java reads (into one array), and the largest main section read here:
// a real one is a few lines.
constexpr zip_uint64_t kLargestManifest = 0x7FFFFFF7;
constexpr size_t kLargestMainSection = size_t{4} << 20;

// Finds the end of a manifest's main section, its first blank line, in text that grows piece
// by piece: each call goes on where the last stopped. Lines end in CR LF, LF or CR.
class MainSectionEnd {
  public:
    // Where the blank line starts, or npos while none has come.
    size_t find(const std::string& text) {
        for (; at_ < text.size(); ++at_) {
            char c = text[at_];
            bool secondHalf = c == '\n' && afterCr_;  // of a CR LF
            afterCr_ = false;
            if (secondHalf) {
                lineStart_ = at_ + 1;
            } else if (c == '\r' || c == '\n') {
                if (at_ == lineStart_) return lineStart_;
                afterCr_ = c == '\r';
                lineStart_ = at_ + 1;
            }
        }
        return std::string::npos;
    }

  private:
    size_t at_ = 0;
    size_t lineStart_ = 0;
    bool afterCr_ = false;
};

// The manifest's main section, read piece by piece up to its end: the size the entry declares
// is never trusted for an allocation, and what follows the main section is never read.
bool readMainSection(zip_t* archive, zip_uint64_t index, const zip_stat_t& stat,
                     std::string& section, std::string& problem) {
    // Java reads a manifest whole into one array: a larger one cannot be read at run time.
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > kLargestManifest) {
        problem = "declares a manifest of " + std::to_string(stat.size) +
                  " bytes, more than Java can read (2 GiB): the jar is damaged";
        return false;
    }
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr) {
        problem = std::string("has a manifest that cannot be read: ") + zip_strerror(archive);
        return false;
    }
    section.clear();
    MainSectionEnd end;
    char chunk[16384];
    bool complete = true;
    for (;;) {
        zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
        if (got < 0) {
            problem = std::string("has a manifest that cannot be read: ") + zip_file_strerror(file);
            complete = false;
            break;
        }
        section.append(chunk, static_cast<size_t>(got));
        size_t blank = end.find(section);
        if (blank != std::string::npos) section.resize(blank);
        if (blank != std::string::npos || got == 0) break;
        if (section.size() > kLargestMainSection) {
            problem =
                "has a manifest whose main section (up to its first blank line) is larger "
                "than " +
                std::to_string(kLargestMainSection >> 20) + " MiB";
            complete = false;
            break;
        }
    }
    zip_fclose(file);
    return complete;
}

// A whole entry of at most limit bytes, read piece by piece: the size the entry declares may
// be anything, so it never sizes an allocation.
bool readSmallEntry(zip_t* archive, zip_uint64_t index, size_t limit, std::string& data) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr) return false;
    data.clear();
    char chunk[16384];
    zip_int64_t got;
    while ((got = zip_fread(file, chunk, sizeof chunk)) > 0 && data.size() <= limit)
        data.append(chunk, static_cast<size_t>(got));
    zip_fclose(file);
    return got == 0 && data.size() <= limit;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool readJar(const std::string& path, JarFile& jar, std::string& problem) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        problem = std::string("is not a jar (a zip archive): ") + zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return false;
    }
    jar = JarFile();
    zip_int64_t count = zip_get_num_entries(archive, 0);
    bool complete = true;
    for (zip_int64_t i = 0; i < count && complete; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0) continue;
        jar.entries.push_back(stat.name);
        if (std::string(stat.name) == kManifestEntry)
            complete =
                readMainSection(archive, static_cast<zip_uint64_t>(i), stat, jar.manifest, problem);
    }
    zip_discard(archive);
    return complete;
}

std::string manifestAttribute(const std::string& manifest, const std::string& name) {
    std::string value;
    bool inAttribute = false;
    // Line by line, in place: a manifest may hold a great many lines.
    for (size_t start = 0; start < manifest.size();) {
        size_t end = manifest.find_first_of("\r\n", start);
        if (end == std::string::npos) end = manifest.size();
        std::string line = manifest.substr(start, end - start);
        start = end + (manifest.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty()) break;  // the main section ends at the first blank line
        if (line[0] == ' ') {
            // A line longer than 72 bytes goes on in the next, after one space.
            if (inAttribute) value += line.substr(1);
            continue;
        }
        if (inAttribute) return value;
        size_t colon = line.find(": ");
        if (colon != std::string::npos && equalsIgnoringCase(line.substr(0, colon), name)) {
            value = line.substr(colon + 2);
            inAttribute = true;
        }
    }
    return value;
}

ModuleDescriptor jarModuleDescriptor(const std::string& path, const std::string& prefix,
                                     uint64_t offset) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(path.c_str(), offset, -1, &error);
    zip_t* archive = source != nullptr ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (archive == nullptr) {
        if (source != nullptr) zip_source_free(source);
        return {};
    }
    const std::string descriptor = "module-info.class", versions = prefix + "META-INF/versions/";
    zip_int64_t found = zip_name_locate(archive, (prefix + descriptor).c_str(), 0);
    long newest = 0;
    for (zip_int64_t i = 0; found < 0 && i < zip_get_num_entries(archive, 0); ++i) {
        const char* entry = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        std::string name = entry != nullptr ? entry : "";
        size_t slash = name.find('/', versions.size());
        if (name.compare(0, versions.size(), versions) != 0 || slash == std::string::npos ||
            name.compare(slash + 1, std::string::npos, descriptor) != 0)
            continue;
        long version = std::strtol(name.c_str() + versions.size(), nullptr, 10);
        if (version > newest) newest = version;
    }
    if (found < 0 && newest > 0)
        found = zip_name_locate(archive,
                                (versions + std::to_string(newest) + "/" + descriptor).c_str(), 0);
    // A module descriptor is a few hundred bytes; one over a MiB is not worth a name.
    std::string data;
    bool read = found >= 0 &&
                readSmallEntry(archive, static_cast<zip_uint64_t>(found), size_t{1} << 20, data);
    zip_discard(archive);
    return read ? readModuleDescriptor(data) : ModuleDescriptor();
}

std::string jarModuleName(const std::string& path) {
    return jarModuleDescriptor(path).name;
}

bool jarHoldsClass(const JarFile& jar, const std::string& className) {
    std::string path = className;
    std::replace(path.begin(), path.end(), '.', '/');
    path += ".class";
    const std::string versions = "META-INF/versions/";
    for (const std::string& entry : jar.entries) {
        if (entry == path) return true;
        if (entry.compare(0, versions.size(), versions) != 0) continue;
        size_t slash = entry.find('/', versions.size());
        if (slash != std::string::npos && entry.compare(slash + 1, std::string::npos, path) == 0)
            return true;
    }
    return false;
}

}  // namespace trellane
