#include "package/installers/desktop_files.h"

#include "brand/png_image.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "package/image/image_builder.h"
#include "package/installers/linux_package_tree.h"
#include "package/support/file_tree.h"

namespace trellane {

namespace {

std::string xmlText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// An association's icon in the desktop's icon theme, at its own size when the theme has that
// size, else at the nearest theme size below it (16 at the least). Returns its path in root.
std::string writeAssociationIcon(const std::string& root, const LinuxFileAssociation& association) {
    std::string bytes, problem;
    if (!readWholeFile(association.iconPath, kMaxIconFileSize, bytes, problem))
        refuse("cannot read the icon %s of --file-associations %s: %s",
               association.iconPath.c_str(), association.source.c_str(), problem.c_str());
    RgbaImage image;
    if (!decodePng(bytes, image, problem) || image.width != image.height)
        refuse("the icon %s of --file-associations %s is not a square PNG: give one",
               association.iconPath.c_str(), association.source.c_str());
    int size = 16;
    for (int themeSize : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        if (themeSize <= image.width) size = themeSize;
    if (size != image.width) bytes = encodePng(scaleImage(image, size));
    std::string side = std::to_string(size);
    std::string path = "usr/share/icons/hicolor/" + side + "x" + side + "/mimetypes/" +
                       mimeIconName(association.mimeType) + ".png";
    writeTreeFile(root, path, bytes);
    return path;
}

}  // namespace

std::string desktopString(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string desktopExecPath(const std::string& path) {
    bool quote = path.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string argument = quote ? "\"" : "";
    for (char c : path) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
        if (c == '%') argument += '%';
    }
    if (quote) argument += '"';
    return desktopString(argument);
}

std::string desktopEntry(const LinuxDesktop& desktop) {
    std::string text = "[Desktop Entry]\nType=Application\nName=" + desktopString(desktop.appName) +
                       "\nComment=" + desktopString(desktop.comment) +
                       "\nExec=" + desktopExecPath(desktop.imagePath + "/bin/" + desktop.appName);
    if (!desktop.associations.empty()) text += " %F";
    text += "\n";
    if (desktop.icon)
        text +=
            "Icon=" + desktopString(desktop.imagePath + "/lib/" + desktop.appName + ".png") + "\n";
    text += "Terminal=false\nCategories=" + desktop.categories + "\n";
    if (!desktop.associations.empty()) {
        text += "MimeType=";
        for (const LinuxFileAssociation& association : desktop.associations)
            text += association.mimeType + ";";
        text += "\n";
    }
    if (!desktop.shortcut) text += "NoDisplay=true\n";
    return text;
}

std::vector<LinuxLauncher> addedLinuxLaunchers(const std::vector<ImageLauncher>& launchers,
                                               bool shortcut) {
    std::vector<LinuxLauncher> added;
    for (const ImageLauncher& launcher : launchers)
        if (launcher.added != nullptr)
            added.push_back(LinuxLauncher{launcher.name, launcher.description,
                                          launcher.linuxShortcut.value_or(shortcut),
                                          !launcher.iconPath.empty()});
    return added;
}

std::string launcherEntryPath(const LinuxDesktop& desktop, const LinuxLauncher& launcher) {
    return "usr/share/applications/" + desktop.package + "-" + launcher.name + ".desktop";
}

std::string launcherDesktopEntry(const LinuxDesktop& desktop, const LinuxLauncher& launcher) {
    LinuxDesktop entry = desktop;
    entry.appName = launcher.name;
    if (!launcher.description.empty()) entry.comment = launcher.description;
    entry.shortcut = launcher.shortcut;
    entry.icon = launcher.icon;
    entry.associations.clear();
    return desktopEntry(entry);
}

std::string mimeIconName(const std::string& mimeType) {
    std::string name = mimeType;
    name[name.find('/')] = '-';
    return name;
}

std::string mimeInfo(const std::vector<LinuxFileAssociation>& associations) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const LinuxFileAssociation& association : associations) {
        text += "  <mime-type type=\"" + xmlText(association.mimeType) + "\">\n";
        if (!association.description.empty())
            text += "    <comment>" + xmlText(association.description) + "</comment>\n";
        for (const std::string& extension : association.extensions)
            text += "    <glob pattern=\"*." + xmlText(extension) + "\"/>\n";
        text += "  </mime-type>\n";
    }
    return text + "</mime-info>\n";
}

std::vector<std::string> writeDesktopFiles(const std::string& root, const LinuxDesktop& desktop) {
    std::vector<std::string> written;
    if (desktop.hasEntry()) {
        written.push_back("usr/share/applications/" + desktop.package + ".desktop");
        writeTreeFile(root, written.back(), desktopEntry(desktop));
    }
    for (const LinuxLauncher& launcher : desktop.launchers)
        if (launcher.shortcut) {
            written.push_back(launcherEntryPath(desktop, launcher));
            writeTreeFile(root, written.back(), launcherDesktopEntry(desktop, launcher));
        }
    if (!desktop.associations.empty()) {
        written.push_back("usr/share/mime/packages/" + desktop.package + ".xml");
        writeTreeFile(root, written.back(), mimeInfo(desktop.associations));
        for (const LinuxFileAssociation& association : desktop.associations)
            if (!association.iconPath.empty())
                written.push_back(writeAssociationIcon(root, association));
    }
    return written;
}

}  // namespace trellane
