#include "options/splash_option.h"

#include <algorithm>
#include <cstring>

namespace trellane {

namespace {

bool startsWith(const std::string& text, const char* start) {
    return text.compare(0, std::strlen(start), start) == 0;
}

bool equalsIgnoringCase(const std::string& text, const char* ascii) {
    if (text.size() != std::strlen(ascii)) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ascii[i]) return false;
    }
    return true;
}

}  // namespace

std::string takeSplashOption(StringList& options) {
    std::string last;
    size_t kept = 0;
    for (size_t i = 0; i < options.size(); ++i) {
        if (startsWith(options[i], kSplashOptionPrefix))
            last = std::move(options[i]);
        else if (kept++ != i)
            options[kept - 1] = std::move(options[i]);
    }
    options.resize(kept);
    return last;
}

bool isHeadless(const StringList& options) {
    const char kHeadless[] = "-Djava.awt.headless=";
    bool headless = false;
    for (const std::string& option : options)
        if (startsWith(option, kHeadless))
            headless = equalsIgnoringCase(option.substr(sizeof kHeadless - 1), "true");
    return headless;
}

SplashImage parseSplashImage(const std::string& option) {
    const char kJar[] = "jar:";
    std::string image = option.substr(std::min(option.size(), std::strlen(kSplashOptionPrefix)));
    if (!startsWith(image, kJar) || image.size() == sizeof kJar - 1)
        return SplashImage{image, "", false};
    size_t bang = image.find("!/");
    if (bang == std::string::npos) return SplashImage{image.substr(sizeof kJar - 1), "", true};
    return SplashImage{image.substr(sizeof kJar - 1, bang - (sizeof kJar - 1)),
                       image.substr(bang + 2), true};
}

}  // namespace trellane
