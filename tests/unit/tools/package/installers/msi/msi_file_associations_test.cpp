#include "package/installers/msi/msi_file_associations.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(ReadProperties, ReadsJavasPropertiesFormat) {
    const struct {
        const char* text;
        Entries entries;
    } cases[] = {
        {"extension=txt\nmime-type=text/plain\n", {{"extension", "txt"}, {"mime-type", "text/plain"}}},
        {"  extension : txt\r\n", {{"extension", "txt"}}},
        {"extension txt", {{"extension", "txt"}}},
        {"# comment\n! comment\n\n   \ndescription=a = b", {{"description", "a = b"}}},
        {"description=Hello \\\n    world\n", {{"description", "Hello world"}}},
        {"description=Zo\\u00eb\\tT\\\\n", {{"description", "Zo\xc3\xab\tT\\n"}}},
        {"a\\=b=c", {{"a=b", "c"}}},
        {"empty=", {{"empty", ""}}},
    };
    for (const auto& c : cases) {
        Entries entries;
        std::string problem;
        ASSERT_TRUE(readProperties(c.text, entries, problem)) << c.text << ": " << problem;
        EXPECT_EQ(entries, c.entries) << c.text;
    }
    Entries entries;
    std::string problem;
    EXPECT_FALSE(readProperties("icon=\\u12", entries, problem));
    EXPECT_EQ(problem, "\\u is not followed by four hexadecimal digits");
}

}  // namespace
}  // namespace trellane
