#include "common/main_module.h"

namespace trellane {

namespace {

bool isIdentifierStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c >= 0x80;
}

}  // namespace

bool isDottedJavaName(const std::string& name) {
    bool atStart = true;
    for (unsigned char c : name) {
        if (c == '.') {
            if (atStart) return false;
            atStart = true;
        } else if (isIdentifierStart(c) || (!atStart && c >= '0' && c <= '9')) {
            atStart = false;
        } else {
            return false;
        }
    }
    return !atStart;
}

std::string mainModuleEntry(const std::string& value, std::string& problem) {
    size_t slash = value.find('/');
    std::string module = value.substr(0, slash);
    std::string mainClass = slash == std::string::npos ? "" : value.substr(slash + 1);
    if (!isDottedJavaName(module)) {
        problem = "--module '" + value + "' names no module: give MODULE or MODULE/CLASS, " +
                  "e.g. com.example.app/com.example.app.Main";
        return "";
    }
    if (slash != std::string::npos && !isDottedJavaName(mainClass)) {
        problem = "--module '" + value + "': '" + mainClass +
                  "' is not a class name; write MODULE/CLASS with a dotted class name, or " +
                  "MODULE alone for the main class its descriptor names";
        return "";
    }
    return module + "/" + mainClass;
}

}  // namespace trellane
