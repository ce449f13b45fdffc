#include "package/installers/desktop_files.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

// The Exec key is read twice: as a string (backslashes doubled), then as a command line
// (reserved characters inside double quotes, '"', '`', '$' and '\' escaped there, '%' doubled).
TEST(DesktopExecPath, QuotesAndEscapesAsTheDesktopEntryFormatAsks) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/hello/bin/hello", "/opt/hello/bin/hello"},
        {"/opt/my-app/bin/My App", "\"/opt/my-app/bin/My App\""},
        {"/opt/a/bin/100%", "/opt/a/bin/100%%"},
        {"/opt/a/bin/$HOME", "\"/opt/a/bin/\\\\$HOME\""},
        {"/opt/a/bin/say \"hi\"", "\"/opt/a/bin/say \\\\\"hi\\\\\"\""},
        {"/opt/a/bin/back\\slash", "\"/opt/a/bin/back\\\\\\\\slash\""},
        {"/opt/a/bin/it's", "\"/opt/a/bin/it's\""},
    };
    for (const auto& c : cases) EXPECT_EQ(desktopExecPath(c.path), c.exec) << c.path;
}

TEST(MimeInfo, EscapesWhatXmlReserves) {
    LinuxFileAssociation association;
    association.extensions = {"hello", "hlo"};
    association.mimeType = "application/x-hello";
    association.description = "Hello <document> & \"more\"";
    EXPECT_EQ(mimeInfo({association}),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\"application/x-hello\">\n"
              "    <comment>Hello &lt;document&gt; &amp; &quot;more&quot;</comment>\n"
              "    <glob pattern=\"*.hello\"/>\n"
              "    <glob pattern=\"*.hlo\"/>\n"
              "  </mime-type>\n"
              "</mime-info>\n");
}

// An added launcher's entry: its own program, icon and comment, the package's categories, and
// none of the main launcher's file types (File associations open with the main launcher).
TEST(LauncherDesktopEntry, NamesItsOwnProgramAndNoFileTypes) {
    LinuxDesktop desktop;
    desktop.package = "hello";
    desktop.appName = "hello";
    desktop.comment = "Greets the world";
    desktop.imagePath = "/opt/hello";
    desktop.categories = "Utility;";
    desktop.associations.resize(1);
    desktop.associations[0].mimeType = "application/x-hello";
    const struct {
        LinuxLauncher launcher;
        const char* entry;
    } cases[] = {
        {{"hello-check", "Checks the world", true, true},
         "[Desktop Entry]\nType=Application\nName=hello-check\nComment=Checks the world\n"
         "Exec=/opt/hello/bin/hello-check\nIcon=/opt/hello/lib/hello-check.png\n"
         "Terminal=false\nCategories=Utility;\n"},
        {{"tool", "", false, false},
         "[Desktop Entry]\nType=Application\nName=tool\nComment=Greets the world\n"
         "Exec=/opt/hello/bin/tool\nTerminal=false\nCategories=Utility;\nNoDisplay=true\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(launcherDesktopEntry(desktop, c.launcher), c.entry) << c.launcher.name;
        EXPECT_EQ(launcherEntryPath(desktop, c.launcher),
                  "usr/share/applications/hello-" + c.launcher.name + ".desktop");
    }
}

}  // namespace
}  // namespace trellane
