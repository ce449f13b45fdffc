#include "package/runtime/runtime_release.h"

#include <sys/stat.h>

#include <cctype>

#include "common/regular_file.h"
#include "common/text_split.h"

namespace trellane {

std::map<std::string, std::string> parseReleaseFile(const std::string& text) {
    std::map<std::string, std::string> values;
    for (const std::string& line : splitLines(text)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values[line.substr(0, equals)] = value;
    }
    return values;
}

namespace {

// The leading decimal number of text from position at, or -1.
long leadingNumber(const std::string& text, size_t at) {
    long number = -1;
    for (size_t i = at; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        number = (number < 0 ? 0 : number) * 10 + (text[i] - '0');
        if (number > 10000) return -1;
    }
    return number;
}

}  // namespace

std::map<std::string, std::string> readReleaseFile(const std::string& home) {
    const std::string path = home + "/release";
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return {};
    return parseReleaseFile(readRegularFileOrRefuse(
        path, kMaxTextFileSize, "the release file",
        "give a runtime or JDK whose release file is the text file jlink writes"));
}

int javaFeatureVersion(const std::string& javaVersion) {
    long first = leadingNumber(javaVersion, 0);
    // Before version 9 the feature number came second: 1.8.0_392.
    if (first == 1 && javaVersion.compare(0, 2, "1.") == 0) first = leadingNumber(javaVersion, 2);
    return first > 0 ? static_cast<int>(first) : 0;
}

}  // namespace trellane
