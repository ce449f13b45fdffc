#include "package/inputs/class_path.h"

#include <cctype>

#include "common/text_split.h"

namespace trellane {

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool isInWildcardFolder(const std::string& jar, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders)
        if (folderOf(jar) == folder) return true;
    return false;
}

// "file:", "http:", "C:": a scheme or a drive, either way not a path inside the image.
bool hasScheme(const std::string& url) {
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = url[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return url.find('/') == std::string::npos || url.find('/') > colon;
}

// Whether a relative path, taken from folder (relative to app/), stays inside app/.
bool staysInside(const std::string& folder, const std::string& path) {
    int depth = 0;
    if (!folder.empty()) {
        depth = 1;
        for (char c : folder) depth += c == '/';
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
    }
    return true;
}

}  // namespace

std::string classPathOption(const ClassPathPlan& plan) {
    std::vector<std::string> entries;
    if (!plan.mainJar.empty()) entries.push_back("&&" + plan.mainJar);
    for (const std::string& jar : plan.jars) {
        if (jar == plan.mainJar || jar == kRuntimeJarName) continue;
        if (!isInWildcardFolder(jar, plan.wildcardFolders)) entries.push_back("&&" + jar);
    }
    for (const std::string& folder : plan.wildcardFolders)
        entries.push_back("&&" + folder + "/*.jar");
    if (plan.mainJar != kRuntimeJarName) entries.push_back(std::string("&&") + kRuntimeJarName);

    std::string option = "-Djava.class.path=";
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) option += plan.separator;
        option += entries[i];
    }
    return option;
}

std::vector<std::string> classPathEntriesOutside(const std::string& jarPath,
                                                 const std::string& classPathAttribute) {
    std::vector<std::string> outside;
    for (const std::string& entry : splitWords(classPathAttribute, " ")) {
        if (entry[0] == '/' || entry[0] == '\\' || hasScheme(entry) ||
            !staysInside(folderOf(jarPath), entry))
            outside.push_back(entry);
    }
    return outside;
}

}  // namespace trellane
