#include "instance/instance_message.h"

#include <gtest/gtest.h>

#include <string>

namespace trellane {
namespace {

using std::string_literals::operator""s;

std::string header(uint32_t length, const std::string& magic = "TRL\x01"s) {
    std::string bytes = magic;
    for (int shift = 0; shift < 32; shift += 8) bytes += char((length >> shift) & 0xFF);
    return bytes;
}

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

TEST(InstanceMessage, EncodesWhatItParsesBack) {
    struct Case {
        std::string folder;
        std::vector<std::string> arguments;
    } cases[] = {
        {"/home/zoë/docs", {"a file.txt", "Zoë ∑ 😀", "", "--flag=x y"}},
        {"C:\\docs", {}},
        {"", {""}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv;
        for (const std::string& argument : c.arguments) argv.push_back(argument.c_str());
        std::string frame;
        ASSERT_TRUE(encodeInstanceMessage(c.folder, int(argv.size()), argv.data(), frame));
        std::string payload = c.folder + '\0';
        for (const std::string& argument : c.arguments) payload += argument + '\0';
        EXPECT_EQ(frame, header(uint32_t(payload.size())) + payload);

        uint32_t size = 0;
        ASSERT_EQ(checkInstanceHeader(bytesOf(frame), size), MessageProblem::None);
        InstanceMessage message;
        ASSERT_EQ(parseInstancePayload(bytesOf(frame) + 8, size, message), MessageProblem::None);
        EXPECT_EQ(message.workingFolder, c.folder);
        EXPECT_EQ(message.arguments, c.arguments);
    }
}

TEST(InstanceMessage, RefusesToEncodeMoreThanAMessageHolds) {
    std::string big(kMaxInstancePayload - 2, 'x');  // with "/" and two NULs: one byte over
    const char* one[] = {big.c_str()};
    std::string frame;
    EXPECT_FALSE(encodeInstanceMessage("/", 1, one, frame));
    big.pop_back();
    const char* fits[] = {big.c_str()};
    EXPECT_TRUE(encodeInstanceMessage("/", 1, fits, frame));
    EXPECT_EQ(frame.size(), kInstanceHeaderSize + kMaxInstancePayload);

    std::vector<const char*> many(kMaxInstanceArguments + 1, "");
    EXPECT_FALSE(encodeInstanceMessage("/", int(many.size()), many.data(), frame));
    EXPECT_TRUE(encodeInstanceMessage("/", int(many.size() - 1), many.data(), frame));
}

TEST(InstanceMessage, ChecksTheHeader) {
    struct Case {
        std::string bytes;
        MessageProblem problem;
        uint32_t size;
    } cases[] = {
        {header(5), MessageProblem::None, 5},
        {header(kMaxInstancePayload), MessageProblem::None, kMaxInstancePayload},
        {header(kMaxInstancePayload + 1), MessageProblem::TooLong, 0},
        {header(0xFFFFFFFF), MessageProblem::TooLong, 0},
        {header(0), MessageProblem::Empty, 0},
        {header(5, "TRL\x02"s), MessageProblem::NotOurs, 0},
        {header(5, "GET "), MessageProblem::NotOurs, 0},
        {"\x05\0\0\0\0\0\0\0"s, MessageProblem::NotOurs, 0},
    };
    for (const Case& c : cases) {
        uint32_t size = 0;
        EXPECT_EQ(checkInstanceHeader(bytesOf(c.bytes), size), c.problem) << c.size;
        if (c.problem == MessageProblem::None) {
            EXPECT_EQ(size, c.size);
        }
    }
}

TEST(InstanceMessage, ChecksThePayload) {
    struct Case {
        std::string payload;
        MessageProblem problem;
        size_t arguments;
    } cases[] = {
        {"\0"s, MessageProblem::None, 0},
        {"/w\0\0\0"s, MessageProblem::None, 2},
        {"/w\0a"s, MessageProblem::Unterminated, 0},
        {"/w"s, MessageProblem::Unterminated, 0},
        {std::string(kMaxInstanceArguments + 1, '\0'), MessageProblem::None, kMaxInstanceArguments},
        {std::string(kMaxInstanceArguments + 2, '\0'), MessageProblem::TooManyArguments, 0},
    };
    for (const Case& c : cases) {
        InstanceMessage message;
        EXPECT_EQ(parseInstancePayload(bytesOf(c.payload), c.payload.size(), message), c.problem);
        if (c.problem == MessageProblem::None) {
            EXPECT_EQ(message.arguments.size(), c.arguments);
        }
    }
}

}  // namespace
}  // namespace trellane
