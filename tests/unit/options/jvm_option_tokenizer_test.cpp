#include "options/jvm_option_tokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace trellane {
namespace {

struct Case {
    std::string input;
    StringList tokens;
};

void expectTokens(const Case& c) {
    SCOPED_TRACE("input: [" + c.input + "]");
    TokenizedOptions result = tokenizeJvmOptions(c.input.c_str());
    EXPECT_FALSE(result.unterminatedQuote);
    EXPECT_EQ(result.tokens, c.tokens);
}

TEST(TokenizeJvmOptions, QuotingAndEscapes) {
    const Case cases[] = {
        {"-Da=1   -Db=2", {"-Da=1", "-Db=2"}},
        {"-Dname=\"a b\"", {"-Dname=a b"}},
        {"-Dx=''", {"-Dx="}},
        {"''", {}},
        {"\"\" '' \"\"''", {}},
        {"'it\"s'", {"it\"s"}},
        {"\"it's\"", {"it's"}},
        {"a\\ b", {"a b"}},
        {"\\\"x", {"\"x"}},
        {"'a\\'b'", {"a'b"}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"a\\\\b", {"a\\b"}},
        {"a\\", {"a\\"}},
        {"\\", {"\\"}},
        {"a \\", {"a", "\\"}},
        {"a\"b c\"d", {"ab cd"}},
        {"'a'\"b\"c", {"abc"}},
        {"\\'", {"'"}},
        {"-Dp=C:\\\\Program\\ Files", {"-Dp=C:\\Program Files"}},
        {"'-Dx=%s%n' -Dy=%d", {"-Dx=%s%n", "-Dy=%d"}},
        {"", {}},
    };
    for (const Case& c : cases) expectTokens(c);
}

TEST(TokenizeJvmOptions, WhitespaceIsTheCLocaleSetOnly) {
    const Case cases[] = {
        {"a\tb\nc\vd\fe\rf g", {"a", "b", "c", "d", "e", "f", "g"}},
        {" \t\r\n a \r\n", {"a"}},
        {" \t ", {}},
        // Neither the other control bytes nor the high bytes separate: 0x1C..0x1F, NEL and
        // NO-BREAK SPACE in their Latin-1 and UTF-8 forms stay inside the option.
        {"a\x1c"
         "b\x1f"
         "c",
         {"a\x1c"
          "b\x1f"
          "c"}},
        {"a\x85"
         "b\xa0"
         "c",
         {"a\x85"
          "b\xa0"
          "c"}},
        {"-Dn=\xc3\xa9\xc2\xa0\xe2\x80\x83x", {"-Dn=\xc3\xa9\xc2\xa0\xe2\x80\x83x"}},
        // Quoted and escaped whitespace is kept.
        {"'a\tb' \"c\nd\" e\\\tf", {"a\tb", "c\nd", "e\tf"}},
        // Invalid UTF-8 passes through byte for byte.
        {"\xff\xfe \x80", {"\xff\xfe", "\x80"}},
    };
    for (const Case& c : cases) expectTokens(c);
}

TEST(TokenizeJvmOptions, NullTextGivesNoOptions) {
    TokenizedOptions result = tokenizeJvmOptions(nullptr);
    EXPECT_TRUE(result.tokens.empty());
    EXPECT_FALSE(result.unterminatedQuote);
}

TEST(TokenizeJvmOptions, OpenQuoteAtTheEndIsReported) {
    for (const char* input : {"'abc", "\"abc\\", "-Da=1 \"", "a 'b\"", "\"a'", "'a\\'"}) {
        SCOPED_TRACE(input);
        TokenizedOptions result = tokenizeJvmOptions(input);
        EXPECT_TRUE(result.unterminatedQuote);
        EXPECT_TRUE(result.tokens.empty());
    }
}

// A megabyte of text in thousands of options, and one option of a megabyte: every byte lands
// in the right option.
TEST(TokenizeJvmOptions, LargeInputs) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "-Dk" + std::to_string(i) + "=v ";
    TokenizedOptions split = tokenizeJvmOptions(many.c_str());
    ASSERT_EQ(split.tokens.size(), 100000u);
    EXPECT_EQ(split.tokens.front(), "-Dk0=v");
    EXPECT_EQ(split.tokens.back(), "-Dk99999=v");

    const std::string big = "-Dbig=" + std::string(1 << 20, 'x');
    TokenizedOptions one = tokenizeJvmOptions(("\"" + big + "\"").c_str());
    ASSERT_EQ(one.tokens.size(), 1u);
    EXPECT_EQ(one.tokens[0], big);
}

}  // namespace
}  // namespace trellane
