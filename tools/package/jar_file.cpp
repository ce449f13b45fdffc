#include "package/jar_file.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "common/text_split.h"
#include "package/module_descriptor.h"

namespace trellane {

namespace {

const char kManifestEntry[] = "META-INF/MANIFEST.MF";

bool readEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size, std::string& data) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr) return false;
    data.assign(size, '\0');
    zip_int64_t got = size == 0 ? 0 : zip_fread(file, &data[0], size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(size);
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
        problem = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return false;
    }
    jar = JarFile();
    zip_int64_t count = zip_get_num_entries(archive, 0);
    bool complete = true;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0) continue;
        jar.entries.push_back(stat.name);
        if (std::string(stat.name) == kManifestEntry &&
            !readEntry(archive, static_cast<zip_uint64_t>(i), stat.size, jar.manifest)) {
            complete = false;
            problem = std::string("its manifest cannot be read: ") + zip_strerror(archive);
        }
    }
    zip_discard(archive);
    return complete;
}

std::string manifestAttribute(const std::string& manifest, const std::string& name) {
    std::string value;
    bool inAttribute = false;
    for (const std::string& line : splitLines(manifest)) {
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

std::string jarModuleName(const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return "";
    const std::string descriptor = "module-info.class", versions = "META-INF/versions/";
    zip_int64_t found = zip_name_locate(archive, descriptor.c_str(), 0);
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
    std::string data;
    zip_stat_t stat;
    bool read = found >= 0 &&
                zip_stat_index(archive, static_cast<zip_uint64_t>(found), 0, &stat) == 0 &&
                readEntry(archive, static_cast<zip_uint64_t>(found), stat.size, data);
    zip_discard(archive);
    return read ? declaredModuleName(data) : "";
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
