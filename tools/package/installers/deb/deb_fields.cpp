#include "package/installers/deb/deb_fields.h"

#include <cctype>

#include "common/plain_text.h"

namespace trellane {

namespace {

// Characters, as UTF-8 counts them: each byte but continuation bytes.
size_t characterCount(const std::string& text) {
    size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" ") == std::string::npos;
}

}  // namespace

std::string fieldLengthProblem(const std::string& value) {
    size_t characters = characterCount(value);
    if (characters <= kMaxControlFieldLength) return "";
    return "is " + std::to_string(characters) + " characters long; a package's field holds " +
           std::to_string(kMaxControlFieldLength) + " at most";
}

std::string contactNameProblem(const std::string& name) {
    std::string problem = plainTextProblem(name);
    if (!problem.empty()) return problem;
    if (isBlank(name)) return "is blank";
    // A mail address's name holds these only quoted, and lintian takes the field apart as a
    // mail address.
    size_t special = name.find_first_of("\"(),:;<>@[\\]");
    if (special != std::string::npos)
        return std::string("holds '") + name[special] + "', which a mail address's name cannot";
    if (name[name.find_first_not_of(" ")] == '.') return "starts with '.'";
    size_t begin = name.find_first_not_of(" "), end = name.find_last_not_of(" ");
    if (name.substr(begin, end + 1 - begin) == "root") return "is root, a system account";
    return fieldLengthProblem(name);
}

std::string synopsisProblem(const std::string& synopsis, const std::string& package) {
    std::string problem = plainTextProblem(synopsis);
    if (!problem.empty()) return problem;
    if (isBlank(synopsis)) return "is blank";
    // dpkg and lintian read the field without its leading spaces.
    std::string lower = lowerCase(synopsis.substr(synopsis.find_first_not_of(" ")));
    if (lower.compare(0, package.size(), package) == 0 &&
        (lower.size() == package.size() ||
         !(std::isalnum(static_cast<unsigned char>(lower[package.size()])) ||
           lower[package.size()] == '_')))
        return "starts with the package's name";
    if (lower.find_first_of(" ") == std::string::npos ||
        lower.find_first_not_of(" ", lower.find(' ')) == std::string::npos)
        return "is one word";
    return "";
}

}  // namespace trellane
