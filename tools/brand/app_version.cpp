#include "brand/app_version.h"

namespace trellane {

bool padAppVersion(const std::string& text, std::string& padded) {
    std::string numbers[4];
    size_t count = 0;
    size_t start = 0;
    while (true) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (count == 4 || part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        size_t first = part.find_first_not_of('0');
        part = first == std::string::npos ? "0" : part.substr(first);
        if (part.size() > 5 || std::stoul(part) > 65535) return false;
        numbers[count++] = part;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    padded.clear();
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0) padded.push_back('.');
        padded += i < count ? numbers[i] : "0";
    }
    return true;
}

}  // namespace trellane
