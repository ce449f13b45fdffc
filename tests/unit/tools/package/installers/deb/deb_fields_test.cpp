#include "package/installers/deb/deb_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace trellane {
namespace {

TEST(ContactNameProblem, TakesWhatAMailAddressNameHolds) {
    for (const char* name : {"Acme", "Acme Inc.", "Zoë's Café", "日本 Software", "A/B #1 {x} ~!",
                             "Rock & Roll+", "Acme..Labs", " Acme "})
        EXPECT_EQ(contactNameProblem(name), "") << name;
    EXPECT_EQ(contactNameProblem(std::string(5000, 'a')), "");
}

TEST(ContactNameProblem, SaysWhatLintianWouldRefuse) {
    const std::pair<std::string, std::string> cases[] = {
        {"Acme; x", "holds ';', which a mail address's name cannot"},
        {"Acme, Inc", "holds ',', which a mail address's name cannot"},
        {"A <b>", "holds '<', which a mail address's name cannot"},
        {"A [B]", "holds '[', which a mail address's name cannot"},
        {"A: B", "holds ':', which a mail address's name cannot"},
        {"A \"B\"", "holds '\"', which a mail address's name cannot"},
        {"A (B)", "holds '(', which a mail address's name cannot"},
        {"a@b", "holds '@', which a mail address's name cannot"},
        {"A\\B", "holds '\\', which a mail address's name cannot"},
        {".Acme", "starts with '.'"},
        {"root", "is root, a system account"},
        {"", "is blank"},
        {"   ", "is blank"},
        {"Acme\xE9", "is not UTF-8 text"},
        {"Acme\tInc", "holds a control character (U+0009)"},
        {"Acme\x1B[2J", "holds a control character (U+001B)"},
        {"Acme\xC2\x85", "holds a control character (U+0085)"},
        {std::string(5001, 'a'), "is 5001 characters long; a package's field holds 5000 at most"},
    };
    for (const auto& [name, problem] : cases) EXPECT_EQ(contactNameProblem(name), problem) << name;
}

TEST(FieldLengthProblem, CountsCharactersNotBytes) {
    std::string accented;
    for (int i = 0; i < 5000; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(fieldLengthProblem(accented), "");
    EXPECT_EQ(fieldLengthProblem(accented + "x"),
              "is 5001 characters long; a package's field holds 5000 at most");
}

TEST(SynopsisProblem, SaysWhatLintianCountsAsAnError) {
    const std::pair<std::string, std::string> cases[] = {
        {"Editor for hello files", ""},
        {"Helloworld editor", ""},  // "helloworld" is another word
        {"Hello_world tool", ""},
        {"Hello-based editor", "starts with the package's name"},  // '-' ends a word
        {" ", "is blank"},
        {"", "is blank"},
        {"hello world", "starts with the package's name"},
        {"  Hello, an editor", "starts with the package's name"},
        {"hello", "starts with the package's name"},
        {"Editor", "is one word"},
        {" Editor  ", "is one word"},
        {"Editor\tfor files", "holds a control character (U+0009)"},
        {"Editor\nfor files", "holds a control character (U+000A)"},
        {"Editor for files\xC2\x85", "holds a control character (U+0085)"},
        {"\xE9"
         "diteur de fichiers",
         "is not UTF-8 text"},
    };
    for (const auto& [synopsis, problem] : cases)
        EXPECT_EQ(synopsisProblem(synopsis, "hello"), problem) << synopsis;
}

}  // namespace
}  // namespace trellane
