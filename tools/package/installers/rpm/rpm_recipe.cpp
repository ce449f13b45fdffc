#include "package/installers/rpm/rpm_recipe.h"

#include <time.h>

#include <cctype>
#include <cstdio>

namespace trellane {

namespace {

// rpmbuild expands macros in every value and script of a recipe: '%' is written twice to stand
// for itself.
std::string recipeText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}

// A path in %files: quoted, so that a space is part of it; '%' as recipeText writes it.
std::string fileEntry(const std::string& path) {
    return "\"" + recipeText(path) + "\"";
}

// A Lua string literal holding text byte for byte: anything but letters, digits and a few
// plain marks as a decimal escape, so that no quote, backslash, line end or '%' appears.
std::string luaString(const std::string& text) {
    std::string literal = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string(" ./_+-").find(c) != std::string::npos) {
            literal += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03u", byte);
            literal += escape;
        }
    }
    return literal + "\"";
}

// A library's file name in the requirements' regular expression: every mark in brackets
// ("libc[+][+].so"), so that neither the regular expression nor rpm's macros read it.
std::string literalPattern(const std::string& name) {
    std::string pattern;
    for (char c : name)
        pattern += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c)
                                                               : std::string("[") + c + "]";
    return pattern;
}

std::string changelogDate(int64_t seconds) {
    time_t time = static_cast<time_t>(seconds);
    struct tm utc;
    gmtime_r(&time, &utc);
    char text[32];
    strftime(text, sizeof text, "%a %b %d %Y", &utc);
    return text;
}

}  // namespace

std::string relocationScript(const RpmDescription& rpm) {
    const LinuxDesktop& desktop = rpm.desktop;
    // Each entry as (installed path, launcher's name, what Exec takes after the program).
    std::string calls;
    if (desktop.hasEntry())
        calls += "  rewrite(" + luaString("/usr/share/applications/" + rpm.package + ".desktop") +
                 ", " + luaString(desktop.appName) + ", " +
                 luaString(desktop.associations.empty() ? "" : " %F") + ")\n";
    for (const LinuxLauncher& launcher : desktop.launchers)
        if (launcher.shortcut)
            calls += "  rewrite(" + luaString("/" + launcherEntryPath(desktop, launcher)) + ", " +
                     luaString(launcher.name) + ", \"\")\n";
    if (calls.empty()) return "";
    // The same quoting as installers/desktop_files' desktopExecPath and desktopString.
    return "-- Installed elsewhere than " + rpm.installDir +
           " (rpm --relocate or --prefix): the menu entries name the launchers and their icons "
           "where they are.\n"
           "local prefix = RPM_INSTALL_PREFIX and RPM_INSTALL_PREFIX[1]\n"
           "if prefix and prefix ~= " +
           luaString(rpm.installDir) +
           " then\n"
           "  local function text(value)\n"
           "    return (value:gsub(\"\\\\\", \"\\\\\\\\\"))\n"
           "  end\n"
           "  local function argument(path)\n"
           "    local quote = path:find(\"[ \\t\\\"'\\\\><~|&;$*?#()`]\") ~= nil\n"
           "    local escaped = path:gsub(\"%%%%\", \"%%%%%%%%\")\n"
           "    if quote then\n"
           "      escaped = '\"' .. escaped:gsub('[\"`$\\\\]', \"\\\\%%0\") .. '\"'\n"
           "    end\n"
           "    return text(escaped)\n"
           "  end\n"
           "  local image = prefix .. \"/\" .. " +
           luaString(rpm.package) +
           "\n"
           "  local function rewrite(entry, name, arguments)\n"
           "    local lines = {}\n"
           "    for line in io.lines(entry) do\n"
           "      if line:sub(1, 5) == \"Exec=\" then\n"
           "        line = \"Exec=\" .. argument(image .. \"/bin/\" .. name) .. arguments\n"
           "      elseif line:sub(1, 5) == \"Icon=\" then\n"
           "        line = \"Icon=\" .. text(image .. \"/lib/\" .. name .. \".png\")\n"
           "      end\n"
           "      lines[#lines + 1] = line\n"
           "    end\n"
           "    local file = assert(io.open(entry, \"w\"))\n"
           "    file:write(table.concat(lines, \"\\n\") .. \"\\n\")\n"
           "    file:close()\n"
           "  end\n" +
           calls + "end\n";
}

std::string rpmRecipe(const RpmDescription& rpm, const RpmContents& contents, int64_t seconds) {
    std::string packager = rpm.vendor.empty() ? rpm.desktop.appName : rpm.vendor;
    std::string recipe =
        "# Written by trellane-package: the tree is built already, and rpmbuild only packs it.\n"
        "Name: " +
        rpm.package + "\nVersion: " + rpm.version + "\nRelease: " + rpm.release +
        "\nSummary: " + recipeText(rpm.summary) + "\nLicense: " + recipeText(rpm.license) +
        "\nGroup: " + recipeText(rpm.group) + "\nPackager: " + recipeText(packager) + "\n";
    if (!rpm.vendor.empty()) recipe += "Vendor: " + recipeText(rpm.vendor) + "\n";
    if (!rpm.url.empty()) recipe += "URL: " + recipeText(rpm.url) + "\n";
    // Relocatable: rpm --relocate OLD=NEW or --prefix moves the image; the launcher finds its
    // runtime and application from where it is.
    recipe += "Prefix: " + rpm.installDir + "\n";
    for (const std::string& relation : rpm.extraRequires)
        recipe += "Requires: " + recipeText(relation) + "\n";
    recipe +=
        "\n"
        "# No build steps: no shell script runs, and the tree at --buildroot is packed as it\n"
        "# is (not stripped, no debug information split off, no build-id links, which would\n"
        "# put files outside the package's folders).\n"
        "%define __spec_install_pre %{nil}\n"
        "%define __spec_install_post %{nil}\n"
        "%define __os_install_post %{nil}\n"
        "%define debug_package %{nil}\n"
        "%define _build_id_links none\n"
        "%define _binary_payload " +
        contents.payload +
        "\n"
        "# The image's own libraries are found in the image: only what they need of the\n"
        "# system is required, and the package provides none of them to other packages.\n"
        "%define __provides_exclude_from ^" +
        literalPattern(rpm.imagePath + "/") + ".*$\n";
    if (!contents.imageLibraries.empty()) {
        std::string libraries;
        for (const std::string& name : contents.imageLibraries)
            libraries += (libraries.empty() ? "" : "|") + literalPattern(name);
        recipe += "%define __requires_exclude ^(" + libraries + ")[(]\n";
    }
    recipe += "\n%description\n" + recipeText(rpm.description) + "\n";
    std::string script = relocationScript(rpm);
    if (!script.empty()) recipe += "\n%post -p <lua>\n" + script;
    recipe += "\n%files\n%defattr(-,root,root,-)\n";
    // The package's own folders: the image, and the vendor's folder --install-dir names in
    // /opt (shared with the vendor's other packages); never /opt or the system's folders.
    if (rpm.installDir != "/opt") recipe += "%dir " + fileEntry(rpm.installDir) + "\n";
    recipe += fileEntry(rpm.imagePath) + "\n";
    for (const std::string& path : contents.files) {
        if (path == contents.licenseFile)
            recipe += "%license ";
        else if (path.compare(0, 24, "/usr/share/applications/") == 0)
            // The desktop entries: rewritten by the post-install script when relocated.
            recipe += "%verify(not md5 size mtime) ";
        recipe += fileEntry(path) + "\n";
    }
    if (!contents.licenseFile.empty())
        recipe += "%dir " +
                  fileEntry(contents.licenseFile.substr(0, contents.licenseFile.rfind('/'))) + "\n";
    recipe += "\n%changelog\n* " + changelogDate(seconds) + " " + recipeText(packager) + " - " +
              rpm.version + "-" + rpm.release + "\n- Packaged by trellane-package.\n";
    return recipe;
}

}  // namespace trellane
