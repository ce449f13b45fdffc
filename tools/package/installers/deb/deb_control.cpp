#include "package/installers/deb/deb_control.h"

#include <time.h>

#include <set>

namespace trellane {

namespace {

std::string dateText(int64_t seconds, const char* format) {
    time_t time = static_cast<time_t>(seconds);
    struct tm utc;
    gmtime_r(&time, &utc);
    char text[64];
    strftime(text, sizeof text, format, &utc);
    return text;
}

}  // namespace

std::string debControl(const DebDescription& deb, uint64_t installedKiB,
                       const std::vector<std::string>& depends) {
    std::string text = "Package: " + deb.package + "\nVersion: " + deb.version +
                       "\nArchitecture: " + deb.architecture + "\nMaintainer: " + deb.maintainer +
                       "\nInstalled-Size: " + std::to_string(installedKiB) + "\n";
    std::string relations;
    std::set<std::string> seen;
    for (const std::string& relation : depends)
        if (seen.insert(relation).second) relations += (relations.empty() ? "" : ", ") + relation;
    if (!relations.empty()) text += "Depends: " + relations + "\n";
    text += "Section: " + deb.section + "\nPriority: optional\n";
    if (!deb.homepage.empty()) text += "Homepage: " + deb.homepage + "\n";
    return text + "Description: " + deb.synopsis + "\n " + deb.extended + "\n";
}

std::string debChangelog(const DebDescription& deb, int64_t seconds) {
    return deb.package + " (" + deb.version +
           ") unstable; urgency=medium\n\n  * Packaged by trellane-package.\n\n -- " +
           deb.maintainer + "  " + dateText(seconds, "%a, %d %b %Y %H:%M:%S +0000") + "\n";
}

std::string debCopyright(const DebDescription& deb, int64_t seconds, const std::string& license) {
    std::string notice = deb.copyright;
    if (notice.empty())
        notice = "Copyright (C) " + dateText(seconds, "%Y") + " " +
                 (deb.vendor.empty() ? deb.appName : deb.vendor);
    return deb.appName + ", packaged as " + deb.package + ".\n\n" + notice + "\n\n" +
           (license.empty() ? "The license terms are those its vendor gives with the "
                              "application.\n"
                            : license);
}

std::string lintianOverrides(const DebDescription& deb,
                             const std::vector<EmbeddedLibrary>& embedded) {
    std::string image = deb.imagePath.substr(1);
    std::string p = deb.package + ": ";
    // The package's own folder in /opt: opt/PACKAGE, or opt/FOLDER for --install-dir /opt/FOLDER.
    std::string own = image.substr(0, image.find('/', 4));
    std::string text =
        "# The system's own packages keep out of /opt, which is there for packages of\n"
        "# software from elsewhere, such as this one.\n" +
        p + "dir-or-file-in-opt [" + own + "/*]\n";
    text +=
        "# The image under " + deb.imagePath +
        " is the application with its own Java runtime, as\n"
        "# the vendor ships it on every system.\n"
        "# Its native libraries keep their symbol tables, as the system's Java runtime does.\n" +
        p + "unstripped-binary-or-object [" + image + "/*]\n" +
        "# The application's jars and the runtime's own are found in the image, not in the\n"
        "# system's jar folder.\n" +
        p + "jar-not-in-usr-share [" + image + "/*]\n";
    if (embedded.empty()) return text;
    text +=
        "# The runtime's vendor builds these libraries into the runtime's own native libraries,\n"
        "# where the system's Java runtime links the system's: they are part of the runtime,\n"
        "# which comes whole with the application and is updated with it.\n";
    for (const EmbeddedLibrary& copy : embedded)
        text += p + "embedded-library " + copy.library + " [" + copy.file + "]\n";
    return text;
}

}  // namespace trellane
