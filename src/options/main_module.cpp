#include "options/main_module.h"

namespace trellane {

std::string mainModuleOf(const std::string& mainClassName) {
    size_t slash = mainClassName.find('/');
    return slash == std::string::npos ? std::string() : mainClassName.substr(0, slash);
}

std::string mainCommandName(const std::string& mainClassName) {
    size_t slash = mainClassName.find('/');
    if (slash != std::string::npos && slash + 1 == mainClassName.size())
        return mainClassName.substr(0, slash);
    return mainClassName;
}

std::string buildMainModuleOption(const std::string& mainClassName) {
    std::string module = mainModuleOf(mainClassName);
    return module.empty() ? module : "-Djdk.module.main=" + module;
}

}  // namespace trellane
