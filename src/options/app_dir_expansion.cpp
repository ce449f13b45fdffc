#include "options/app_dir_expansion.h"

namespace trellane {

void expandAppDir(std::string& option, const std::string& appDir) {
    size_t at = option.find("&&");
    if (at == std::string::npos) return;
    std::string result;
    size_t from = 0;
    for (; at != std::string::npos; at = option.find("&&", from)) {
        result.append(option, from, at - from);
        result += appDir;
        from = at + 2;
    }
    result.append(option, from, std::string::npos);
    option.swap(result);
}

}  // namespace trellane
