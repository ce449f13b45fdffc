#include "package/installers/linux_file_associations.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(ReadLinuxFileAssociation, ReadsPropertiesAsJavaWritesThem) {
    std::string problem;
    LinuxFileAssociation read =
        readLinuxFileAssociation("doc.properties",
                                 "# written by a build script\r\n"
                                 "! another comment\r\n"
                                 "  extension = hello \\\r\n"
                                 "     hlo\r\n"
                                 "mime-type: application/x-hello\r\n"
                                 "description=Hello document: the app's own\r\n"
                                 "icon=icons/doc.png",
                                 problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(read.extensions, (std::vector<std::string>{"hello", "hlo"}));
    EXPECT_EQ(read.mimeType, "application/x-hello");
    EXPECT_EQ(read.description, "Hello document: the app's own");
    EXPECT_EQ(read.iconPath, "icons/doc.png");
}

// The description as Java reads it: escapes decoded to UTF-8, a trailing blank dropped.
TEST(ReadLinuxFileAssociation, DecodesEscapesAsJavaDoes) {
    const struct {
        const char* line;
        const char* description;
    } cases[] = {
        {"description=Caf\\u00e9 notes", "Caf\xc3\xa9 notes"},
        {"description=Caf\xc3\xa9 notes", "Caf\xc3\xa9 notes"},
        {"description=Smile \\uD83D\\uDE00", "Smile \xf0\x9f\x98\x80"},
        {"description=a \\\\ b \\# c ", "a \\ b # c"},
    };
    for (const auto& c : cases) {
        std::string problem;
        LinuxFileAssociation read = readLinuxFileAssociation(
            "f", std::string("extension=a\nmime-type=a/b\n") + c.line, problem);
        EXPECT_EQ(problem, "") << c.line;
        EXPECT_EQ(read.description, c.description) << c.line;
    }
}

TEST(ReadLinuxFileAssociation, SaysWhatIsWrong) {
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"mime-type=a/b\n", "f gives no extension: add a line extension=EXT"},
        {"extension=.txt\nmime-type=text/x-a\n",
         "f: the extension \".txt\" is not one a file name can end in"},
        {"extension=a/b\nmime-type=text/x-a\n", "f: the extension \"a/b\""},
        {"extension=hello\n", "f gives no mime-type"},
        {"extension=hello\nmime-type=hello\n", "f: the mime-type \"hello\" is not a MIME type"},
        {"extension=hello\nmime-type=application/x hello\n", "is not a MIME type"},
        {"extension=hello\nmime-type=a/\n", "is not a MIME type"},
        {"extension=hello\nmime-type=a/b\nverb=open\n", "f has the key \"verb\""},
        {"extension=hello\nmime-type=a/b\ndescription=tab\there\n",
         "f: the description holds a control character"},
        {"extension=hello\nmime-type=a/b\ndescription=two\\nlines\n",
         "f: the description holds a control character (a line end or a tab, perhaps written "
         "\\n or \\t), which a file type's comment cannot show: give it on one line"},
        {"extension=hello\nmime-type=a/b\ndescription=\\u00e\n",
         "f is not a properties file: \\u is not followed by four hexadecimal digits"},
    };
    for (const auto& c : cases) {
        std::string problem;
        readLinuxFileAssociation("f", c.text, problem);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.text << " gave " << problem;
    }
}

}  // namespace
}  // namespace trellane
