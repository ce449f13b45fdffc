#include "package/installers/msi/msi_version.h"

#include <vector>

#include "common/refusal.h"

namespace trellane {

namespace {

const unsigned long kLimits[] = {255, 255, 65535, 65535};

std::vector<std::string> dottedParts(const std::string& text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

[[noreturn]] void refuseVersion(const std::string& version, const char* why) {
    refuse(
        "--app-version %s %s: an MSI's version is MAJOR.MINOR.BUILD, MAJOR and MINOR 0 to 255 "
        "and BUILD 0 to 65535 (a fourth part may follow, but Windows does not compare it); "
        "give a version within these limits",
        version.c_str(), why);
}

}  // namespace

MsiVersion msiVersion(const std::string& given) {
    std::string version = given.empty() ? "1.0" : given;
    std::vector<std::string> parts = dottedParts(version);
    if (parts.size() > 4) refuseVersion(version, "has more than four parts");
    std::vector<unsigned long> numbers;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos)
            refuseVersion(version, "is not made of dotted numbers");
        numbers.push_back(std::stoul(part));
        if (numbers.back() > kLimits[i]) refuseVersion(version, "is over the limits");
    }
    while (numbers.size() < 3) numbers.push_back(0);
    MsiVersion result;
    result.compared = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                      std::to_string(numbers[2]);
    result.productVersion =
        parts.size() == 4 ? result.compared + "." + std::to_string(numbers[3]) : result.compared;
    result.fourthPartIgnored = numbers.size() == 4 && numbers[3] != 0;
    return result;
}

}  // namespace trellane
