#include "hosting/jar_manifest.h"

#include <cstring>

namespace trellane {

namespace {

bool sameName(const std::string& line, size_t length, const char* name) {
    if (length != std::strlen(name)) return false;
    for (size_t i = 0; i < length; ++i) {
        char a = line[i], b = name[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// The next physical line from at, without its line end; at moves past the line end.
std::string nextLine(const std::string& text, size_t& at) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
    return line;
}

}  // namespace

std::string mainAttribute(const std::string& manifest, const char* name) {
    size_t at = 0;
    std::string header;  // the logical line being gathered
    bool found = false;
    std::string value;
    auto finish = [&] {
        size_t colon = header.find(": ");
        if (!found && colon != std::string::npos && sameName(header, colon, name)) {
            value = header.substr(colon + 2);
            found = true;
        }
    };
    while (at < manifest.size()) {
        std::string line = nextLine(manifest, at);
        if (line.empty()) break;  // the end of the main section
        if (line[0] == ' ') {
            header += line.substr(1);
            continue;
        }
        finish();
        header = line;
    }
    finish();
    return value;
}

}  // namespace trellane
