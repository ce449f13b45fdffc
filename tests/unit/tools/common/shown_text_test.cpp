#include "common/shown_text.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(ShownText, NamesAndMessagesNeverReachTheTerminalAsControls) {
    struct Case {
        std::string text, name, message;
    };
    const Case cases[] = {
        {"plain/caf\xC3\xA9 \xE2\x82\xAC.jar", "plain/caf\xC3\xA9 \xE2\x82\xAC.jar",
         "plain/caf\xC3\xA9 \xE2\x82\xAC.jar"},
        // A name's newline and backslash are escaped; a message keeps its own line breaks
        // and tabs, and its backslashes (the names in it are escaped already).
        {"a\nb\\c\td", "a\\x0Ab\\\\c\\x09d", "a\nb\\c\td"},
        {"\x1B[31mred\x1B[0m\r\b", "\\x1B[31mred\\x1B[0m\\x0D\\x08",
         "\\x1B[31mred\\x1B[0m\\x0D\\x08"},
        // DEL, and C1 controls as UTF-8 (C2 9B is the one-byte CSI); C2 A0 is a space.
        {"\x7F\xC2\x9B"
         "2J\xC2\xA0",
         "\\x7F\\xC2\\x9B2J\xC2\xA0", "\\x7F\\xC2\\x9B2J\xC2\xA0"},
        {std::string("nul\0x", 5), "nul\\x00x", "nul\\x00x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shownName(c.text), c.name);
        EXPECT_EQ(shownMessage(c.text), c.message);
    }
    EXPECT_EQ(escapeControls("say \"hi\"\x1B", "\""), "say \\\"hi\\\"\\x1B");
}

}  // namespace
}  // namespace trellane
