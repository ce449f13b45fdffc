#include "package/installers/msi/msi_source.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "package/image/image_output.h"
#include "package/installers/msi/msi_guid.h"

namespace trellane {

// XML's five characters, and '$', which wixl's preprocessor would read as the start of a
// variable. Its "$$" is a '$' only when no '(' follows, so each '$' is the variable
// kWixlDollarVariable, which holds one.
std::string wixAttributeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '$':
                out += std::string("$(var.") + kWixlDollarVariable + ")";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Each bracket and brace taken as itself.
std::string formattedLiteral(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}')
            out += std::string("[\\") + c + "]";
        else
            out += c;
    }
    return out;
}

namespace {

std::string attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + wixAttributeText(value) + "\"";
}

struct Folder {
    std::string id;
    std::string name;
    std::vector<std::string> folders;  // relative paths of the folders directly inside
    std::vector<std::string> files;    // relative paths of the files directly inside
};

std::string parentOf(const std::string& relative) {
    size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
}

std::string baseName(const std::string& relative) {
    return relative.substr(relative.rfind('/') + 1);
}

class SourceWriter {
  public:
    explicit SourceWriter(const MsiSource& source) : source_(source) {
        scope_ = std::string(source.perUser ? "user" : "machine") + "|";
        for (const std::string& level : source.installDir) scope_ += level + "\\";
        folders_[""] = Folder{"INSTALLDIR", "", {}, {}};
        shortcuts_ = source.shortcuts;
        if (shortcuts_.empty())
            shortcuts_.push_back(MsiShortcut{source.name, source.launcher, source.description,
                                             source.menu, source.desktop});
        for (size_t i = 1; i < shortcuts_.size(); ++i)
            launcherIds_[shortcuts_[i].launcher] = "launcher" + std::to_string(i + 1);
        for (const TreeEntry& entry : source.entries) {
            if (entry.relative == kImageMarker) continue;
            if (entry.folder) {
                folders_[entry.relative] =
                    Folder{"d" + std::to_string(++folderCount_), baseName(entry.relative), {}, {}};
                folders_[parentOf(entry.relative)].folders.push_back(entry.relative);
            } else {
                auto other = launcherIds_.find(entry.relative);
                fileIds_[entry.relative] = entry.relative == source.launcher ? "launcher"
                                           : other != launcherIds_.end()
                                               ? other->second
                                               : "f" + std::to_string(fileIds_.size() + 1);
                folders_[parentOf(entry.relative)].files.push_back(entry.relative);
            }
        }
    }

    std::string write() {
        const MsiSource& s = source_;
        out_ += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
        out_ += "<!-- Written by trellane-package for wixl -->\n";
        out_ += "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
        out_ += "  <Product" + attribute("Id", s.productCode) + attribute("Name", s.name) +
                attribute("Language", "1033") + attribute("Version", s.version.productVersion) +
                attribute("Manufacturer", s.vendor) + attribute("UpgradeCode", s.upgradeCode) +
                ">\n";
        out_ += "    <Package" + attribute("InstallerVersion", "500") +
                attribute("Compressed", "yes") +
                attribute("InstallScope", s.perUser ? "perUser" : "perMachine") +
                attribute("Manufacturer", s.vendor) +
                attribute("Description", s.name + " " + s.version.productVersion) +
                (s.description.empty() ? "" : attribute("Comments", s.description)) + "/>\n";
        out_ += "    <Media Id=\"1\" Cabinet=\"image.cab\" EmbedCab=\"yes\"/>\n";
        out_ += "    <MajorUpgrade" +
                attribute("DowngradeErrorMessage",
                          formattedLiteral("A newer version of " + s.name +
                                           " is already installed: uninstall it first to install " +
                                           s.version.productVersion + ".")) +
                "/>\n";
        out_ +=
            "    <Icon Id=\"ProductIcon.ico\"" + attribute("SourceFile", s.productIcon) + "/>\n";
        property("ARPPRODUCTICON", "ProductIcon.ico");
        property("ARPNOMODIFY", "1");
        property("ARPCOMMENTS", s.description);
        property("ARPURLINFOABOUT", s.aboutUrl);
        property("ARPHELPLINK", s.helpUrl);
        property("ARPURLUPDATEINFO", s.updateUrl);

        out_ += "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
        out_ += std::string("      <Directory Id=\"") +
                (s.perUser ? "LocalAppDataFolder" : "ProgramFiles64Folder") + "\">\n";
        std::string indent = "        ";
        for (size_t level = 0; level + 1 < s.installDir.size(); ++level) {
            out_ += indent + "<Directory Id=\"i" + std::to_string(level + 1) + "\"" +
                    attribute("Name", s.installDir[level]) + ">\n";
            folderComponent(indent + "  ", "install-dir level " + std::to_string(level + 1));
            indent += "  ";
        }
        folders_[""].name = s.installDir.back();
        writeFolder("", indent);
        for (size_t level = 0; level + 1 < s.installDir.size(); ++level) {
            indent.resize(indent.size() - 2);
            out_ += indent + "</Directory>\n";
        }
        out_ += "      </Directory>\n";
        if (s.menu) {
            out_ += "      <Directory Id=\"ProgramMenuFolder\">\n";
            out_ += "        <Directory Id=\"MenuGroup\"" + attribute("Name", s.menuGroup) + ">\n";
            out_ += "          <Component" + componentAttributes("menu|" + s.menuGroup) + ">\n";
            shortcuts("            ", "MenuShortcut", &MsiShortcut::menu);
            out_ += "            <RemoveFolder Id=\"RemoveMenuGroup\" On=\"uninstall\"/>\n";
            out_ += "          </Component>\n";
            out_ += "        </Directory>\n";
            out_ += "      </Directory>\n";
        }
        if (s.desktop) {
            out_ += "      <Directory Id=\"DesktopFolder\">\n";
            out_ += "        <Component" + componentAttributes("desktop") + ">\n";
            shortcuts("          ", "DesktopShortcut", &MsiShortcut::desktop);
            out_ += "        </Component>\n";
            out_ += "      </Directory>\n";
        }
        out_ += "    </Directory>\n";

        out_ += "    <Feature Id=\"Application\" Level=\"1\">\n";
        for (const std::string& id : components_)
            out_ += "      <ComponentRef Id=\"" + id + "\"/>\n";
        out_ += "    </Feature>\n";
        out_ += "  </Product>\n";
        out_ += "</Wix>\n";
        return out_;
    }

  private:
    std::string path(const std::string& relative) const { return source_.image + "/" + relative; }

    void property(const char* id, const std::string& value) {
        if (!value.empty())
            out_ +=
                std::string("    <Property Id=\"") + id + "\"" + attribute("Value", value) + "/>\n";
    }

    // A component's Id, GUID (from where it installs) and 64-bit mark; its ComponentRef is
    // written with the feature.
    std::string componentAttributes(const std::string& what) {
        std::string id = "c" + std::to_string(components_.size() + 1);
        components_.push_back(id);
        return attribute("Id", id) +
               attribute("Guid", nameBasedGuid(source_.upgradeCode, scope_ + what)) +
               attribute("Win64", "yes");
    }

    // A folder that holds no file of its own: a component that makes it and removes it.
    void folderComponent(const std::string& indent, const std::string& what) {
        out_ += indent + "<Component" + componentAttributes(what + "/") + ">\n";
        out_ += indent + "  <CreateFolder/>\n";
        out_ += indent + "  <RemoveFolder Id=\"r" + components_.back() + "\" On=\"uninstall\"/>\n";
        out_ += indent + "</Component>\n";
    }

    void writeFolder(const std::string& relative, const std::string& indent) {
        const Folder& folder = folders_[relative];
        out_ += indent + "<Directory" + attribute("Id", folder.id) +
                attribute("Name", folder.name) + ">\n";
        std::string inner = indent + "  ";
        if (folder.files.empty()) folderComponent(inner, relative);
        for (size_t i = 0; i < folder.files.size(); ++i) {
            const std::string& file = folder.files[i];
            out_ += inner + "<Component" + componentAttributes(file) + ">\n";
            out_ += inner + "  <File" + attribute("Id", fileIds_[file]) +
                    attribute("Name", baseName(file)) + attribute("Source", path(file)) +
                    attribute("KeyPath", "yes") + "/>\n";
            if (i == 0)
                out_ += inner + "  <RemoveFolder Id=\"r" + components_.back() +
                        "\" On=\"uninstall\"/>\n";
            out_ += inner + "</Component>\n";
            if (file == source_.launcher) associations(inner);
        }
        for (const std::string& child : folder.folders) writeFolder(child, inner);
        out_ += indent + "</Directory>\n";
    }

    // The launchers' shortcuts of one place: the main launcher's Id is id, the others' id2,
    // id3... by their order.
    void shortcuts(const std::string& indent, const std::string& id, bool MsiShortcut::*place) {
        for (size_t i = 0; i < shortcuts_.size(); ++i) {
            const MsiShortcut& shortcut = shortcuts_[i];
            if (!(shortcut.*place)) continue;
            std::string target = i == 0 ? "launcher" : launcherIds_.at(shortcut.launcher);
            out_ +=
                indent + "<Shortcut" + attribute("Id", i == 0 ? id : id + std::to_string(i + 1)) +
                attribute("Name", shortcut.name) + attribute("Target", "[#" + target + "]") +
                attribute("WorkingDirectory", "INSTALLDIR") +
                (shortcut.description.empty() ? ""
                                              : attribute("Description", shortcut.description)) +
                "/>\n";
        }
    }

    // Each file type in the hive of the install's scope (HKCR would be the machine's for a
    // per-user install under some installers): the application's own ProgId with the open
    // command and icon, listed under the extension's OpenWithProgids. The extension's default
    // value, its media type and the media type's key belong to whoever registered them first
    // (another application, Windows itself): they are left as they are, so an uninstall
    // removes only what the install created.
    void associations(const std::string& indent) {
        const char* root = source_.perUser ? "HKCU" : "HKLM";
        for (const FileAssociation& association : source_.associations) {
            std::string progId = progIdOf(source_.name, association.extension);
            std::string classes = "Software\\Classes\\";
            out_ += indent + "<Component" +
                    componentAttributes("file type " + association.extension) + ">\n";
            auto value = [&](const std::string& key, const std::string& name,
                             const std::string& text, bool keyPath) {
                out_ += indent + "  <RegistryValue" + attribute("Root", root) +
                        attribute("Key", classes + key) +
                        (name.empty() ? "" : attribute("Name", name)) +
                        attribute("Type", "string") + attribute("Value", text) +
                        (keyPath ? attribute("KeyPath", "yes") : "") + "/>\n";
            };
            value("." + association.extension + "\\OpenWithProgids", progId, "", false);
            value(progId, "", formattedLiteral(association.description), false);
            value(progId + "\\DefaultIcon", "",
                  association.installedIcon.empty()
                      ? "[#launcher],0"
                      : "[#" + fileIds_[association.installedIcon] + "]",
                  false);
            value(progId + "\\shell\\open\\command", "", "\"[#launcher]\" \"%1\"", true);
            out_ += indent + "</Component>\n";
        }
    }

    const MsiSource& source_;
    std::string scope_;  // what sets the installed paths apart: the scope and INSTALL-DIR
    std::map<std::string, Folder> folders_;
    std::map<std::string, std::string> fileIds_;
    std::map<std::string, std::string> launcherIds_;  // the added launchers' files: their Ids
    std::vector<MsiShortcut> shortcuts_;
    std::vector<std::string> components_;
    int folderCount_ = 0;
    std::string out_;
};

}  // namespace

std::string progIdOf(const std::string& name, const std::string& extension) {
    std::string id;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            id += c;
    if (id.empty() || !std::isalpha(static_cast<unsigned char>(id[0]))) id = "App" + id;
    std::string suffix = "." + extension;
    if (id.size() + suffix.size() > 39) id.resize(39 - std::min<size_t>(suffix.size(), 38));
    return id + suffix;
}

std::string writeWixSource(const MsiSource& source) {
    return SourceWriter(source).write();
}

}  // namespace trellane
