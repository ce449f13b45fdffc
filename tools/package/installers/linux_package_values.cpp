#include "package/installers/linux_package_values.h"

#include <cctype>

#include "common/refusal.h"
#include "common/text_split.h"

namespace trellane {

bool isAlphanumericOr(const std::string& text, const char* extra) {
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string(extra).find(c) == std::string::npos)
            return false;
    return true;
}

bool hasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string linuxInstallDir(const std::string& given) {
    std::string dir = given.empty() ? "/opt" : given;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    // Names of letters, digits and "._+-" only: the menu entry and the package's notes name
    // the folder as it is.
    if (dir.empty() || dir[0] != '/' || dir == "/" || !isAlphanumericOr(dir, "/._+-") ||
        dir.find("//") != std::string::npos || dir.find("/./") != std::string::npos ||
        dir.find("/../") != std::string::npos || dir.size() < 2 ||
        dir.compare(dir.size() - 2, 2, "/.") == 0 ||
        (dir.size() >= 3 && dir.compare(dir.size() - 3, 3, "/..") == 0))
        refuseUsage(
            "--install-dir %s: give an absolute folder named with letters, digits, '.', '_', "
            "'+' and '-', such as /opt (the default)",
            given.c_str());
    // /opt is the system's place for software packaged outside the distribution; the package
    // checkers count a package's files anywhere else outside its own hierarchy as errors.
    if (dir != "/opt" && dir.compare(0, 5, "/opt/") != 0)
        refuse(
            "--install-dir %s: a package of an application with its own runtime installs in "
            "/opt, the system's folder for software from outside the distribution: give /opt "
            "(the default) or a folder in it, such as /opt/example",
            given.c_str());
    return dir;
}

std::string desktopCategories(const std::string& given) {
    if (given.empty()) return "Utility;";
    std::string categories;
    for (const std::string& item : splitWords(given, ";")) {
        if (!isAlphanumericOr(item, "-_"))
            refuseUsage(
                "--linux-menu-group %s: give desktop menu categories such as Utility, "
                "Development or Office, ';'-separated",
                given.c_str());
        categories += item + ";";
    }
    if (categories.empty())
        refuseUsage("--linux-menu-group is empty: give a category such as Utility");
    return categories;
}

}  // namespace trellane
