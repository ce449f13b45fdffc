#include "package/support/java_properties.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Each text with what java.util.Properties.load makes of it (JDK 17), its strings as UTF-8.
TEST(ReadJavaProperties, ReadsWhatJavaReads) {
    const struct {
        const char* text;
        Entries entries;
    } cases[] = {
        // Separators: '=', ':' or blanks, the blanks around the first '=' or ':' dropped.
        {"extension=txt\nmime-type=text/plain\n",
         {{"extension", "txt"}, {"mime-type", "text/plain"}}},
        {"  extension : txt\r\n", {{"extension", "txt"}}},
        {"extension txt", {{"extension", "txt"}}},
        {"extension \t = txt", {{"extension", "txt"}}},
        {"description = = b", {{"description", "= b"}}},
        {"description=a = b", {{"description", "a = b"}}},
        {"a\\=b=c", {{"a=b", "c"}}},
        {"a\\ b c", {{"a b", "c"}}},
        {"empty=", {{"empty", ""}}},
        {"alone", {{"alone", ""}}},
        // Trailing blanks belong to the value.
        {"description=tail \t", {{"description", "tail \t"}}},
        // Comments and blank lines, '\r' alone ending a line too.
        {"# comment\n! comment\n\n   \ndescription=a", {{"description", "a"}}},
        {"a=1\rb=2\r\nc=3", {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
        {"a=x # not a comment", {{"a", "x # not a comment"}}},
        // Continued lines: the backslash and the next line's leading blanks go.
        {"description=Hello \\\n    world\n", {{"description", "Hello world"}}},
        {"description=Hello \\\r\n\tworld", {{"description", "Hello world"}}},
        {"a=1\\\n#2\n", {{"a", "1#2"}}},
        {"a=x\\\\\nb=y", {{"a", "x\\"}, {"b", "y"}}},
        {"a=x\\\n\nb=y", {{"a", "x"}, {"b", "y"}}},
        {"a=x\\", {{"a", "x"}}},
        // Escapes: \t \n \r \f, \uXXXX as UTF-8, a surrogate pair as one character, any other
        // character as itself.
        {"description=Zo\\u00eb\\tT\\\\n", {{"description", "Zo\xc3\xab\tT\\n"}}},
        {"description=Caf\\u00E9 \\u20ac", {{"description", "Caf\xc3\xa9 \xe2\x82\xac"}}},
        {"description=\\ud83d\\ude00!", {{"description", "\xf0\x9f\x98\x80!"}}},
        {"description=two\\nlines\\r\\f", {{"description", "two\nlines\r\f"}}},
        {"description=\\q\\#\\!\\:", {{"description", "q#!:"}}},
        {"description=caf\xc3\xa9", {{"description", "caf\xc3\xa9"}}},
        // A key given again keeps its place and takes the last value.
        {"a=1\nb=2\na=3", {{"a", "3"}, {"b", "2"}}},
    };
    for (const auto& c : cases) {
        Entries entries;
        std::string problem;
        ASSERT_TRUE(readJavaProperties(c.text, entries, problem)) << c.text << ": " << problem;
        EXPECT_EQ(entries, c.entries) << c.text;
    }
}

// Java refuses a broken \u escape; half of a surrogate pair, which Java would keep, has no
// UTF-8, so it is refused too rather than written as bytes no reader takes.
TEST(ReadJavaProperties, RefusesWhatHasNoText) {
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"icon=\\u12", "\\u is not followed by four hexadecimal digits"},
        {"icon=\\u12g4", "\\u is not followed by four hexadecimal digits"},
        {"k\\u00=v", "\\u is not followed by four hexadecimal digits"},
        {"description=\\ud83d", "\\ud83d is the first half of a surrogate pair without its second"},
        {"description=\\ud83d\\u0041", "\\ud83d is the first half of a surrogate pair"},
        {"description=\\ude00", "\\ude00 is the second half of a surrogate pair without its first"},
    };
    for (const auto& c : cases) {
        Entries entries;
        std::string problem;
        EXPECT_FALSE(readJavaProperties(c.text, entries, problem)) << c.text;
        EXPECT_EQ(problem.find(c.problem), 0u) << c.text << " gave " << problem;
    }
}

}  // namespace
}  // namespace trellane
