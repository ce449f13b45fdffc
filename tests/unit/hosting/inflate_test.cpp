#include "hosting/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace trellane {
namespace {

// Raw DEFLATE data as zlib writes it: the reference, not ours.
std::string deflateWithZlib(const std::string& data, int level, int strategy) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 9, strategy), Z_OK);
    std::string out(deflateBound(&stream, data.size()) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool inflateText(const std::string& deflated, size_t expectedSize, std::string& out) {
    return inflateRaw(reinterpret_cast<const unsigned char*>(deflated.data()), deflated.size(),
                      expectedSize, out);
}

std::string samples(const char* kind) {
    std::mt19937 random(23);
    std::string data;
    if (std::string(kind) == "text") {
        for (int i = 0; i < 2000; ++i)
            data += "line " + std::to_string(i * 7919 % 1000) + ": the splash screen image\n";
    } else if (std::string(kind) == "random") {
        for (int i = 0; i < 100000; ++i) data += static_cast<char>(random());
    } else if (std::string(kind) == "runs") {
        for (int i = 0; i < 300; ++i) data += std::string(random() % 1000, "ab\0z"[i % 4]);
    } else if (std::string(kind) == "png-like") {
        // Rows of a gradient behind their filter bytes, with distances across the 32 KiB window.
        for (int row = 0; row < 400; ++row) {
            data += '\1';
            for (int x = 0; x < 400; ++x) data += static_cast<char>((x * row) >> 4);
        }
    }
    return data;
}

TEST(InflateRaw, GivesBackWhatZlibDeflated) {
    for (const char* kind : {"empty", "text", "random", "runs", "png-like"}) {
        const std::string data = samples(kind);
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
                SCOPED_TRACE(std::string(kind) + " level " + std::to_string(level) + " strategy " +
                             std::to_string(strategy));
                std::string out;
                ASSERT_TRUE(inflateText(deflateWithZlib(data, level, strategy), data.size(), out));
                EXPECT_TRUE(out == data);
            }
        }
    }
}

TEST(InflateRaw, RefusesAnyOtherSize) {
    const std::string data = samples("text");
    const std::string deflated = deflateWithZlib(data, 9, Z_DEFAULT_STRATEGY);
    std::string out;
    EXPECT_FALSE(inflateText(deflated, data.size() - 1, out));
    EXPECT_FALSE(inflateText(deflated, data.size() + 1, out));
    EXPECT_FALSE(inflateText(deflated, 0, out));
}

// Whatever damaged data says, the inflater stays within its input and its limit: it fails,
// or by chance yields bytes of the expected size.
TEST(InflateRaw, SurvivesDamagedData) {
    const std::string data = samples("png-like");
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_DEFAULT_STRATEGY}) {
        const std::string deflated = deflateWithZlib(data, strategy == Z_FIXED ? 6 : 0, strategy);
        std::mt19937 random(strategy);
        for (int round = 0; round < 300; ++round) {
            std::string damaged = deflated;
            if (round % 3 == 0) {
                damaged.resize(random() % damaged.size());
            } else {
                for (int flips = 0; flips < 1 + round % 4; ++flips)
                    damaged[random() % damaged.size()] ^= static_cast<char>(1 << (random() % 8));
            }
            std::string out;
            if (inflateText(damaged, data.size(), out)) {
                EXPECT_EQ(out.size(), data.size());
            }
        }
    }
    const std::string kNotDeflate[] = {
        "", std::string("\x07", 1),  // block type 3, which does not exist
        std::string("\x01\x05\x00\xFA\xFF"
                    "abc",
                    8),  // a stored block shorter than it says
        std::string("\x01\x03\x00\xFF\xFF"
                    "abc",
                    8),  // its length's complement wrong
    };
    for (const std::string& bytes : kNotDeflate) {
        std::string out;
        EXPECT_FALSE(inflateText(bytes, 3, out));
    }
}

}  // namespace
}  // namespace trellane
