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

}  // namespace
}  // namespace trellane
