#include "hosting/inflate.h"

#include <cstdint>

namespace trellane {

namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLiteralCodes = 286;
constexpr int kMaxDistanceCodes = 30;
constexpr int kFixedLiteralCodes = 288;

// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
    uint16_t count[kMaxBits + 1];
    uint16_t symbol[kFixedLiteralCodes];
};

// The output: exactly the expected size, filled from the start.
struct Output {
    unsigned char* bytes;
    size_t size;
    size_t written = 0;
};

struct Input {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
    uint32_t bits = 0;  // not yet used bits, the next one lowest
    int bitCount = 0;
    bool exhausted = false;

    // The next n (at most 24) bits, first bit lowest; 0 once the input ran out.
    uint32_t take(int n) {
        while (bitCount < n) {
            if (at == size) {
                exhausted = true;
                return 0;
            }
            bits |= static_cast<uint32_t>(data[at++]) << bitCount;
            bitCount += 8;
        }
        uint32_t value = bits & ((1u << n) - 1);
        bits >>= n;
        bitCount -= n;
        return value;
    }
};

// Codes are sent most significant bit first, one bit at a time: at each length, the codes of
// that length are the next count[length] values.
int decode(Input& in, const Huffman& code) {
    int value = 0, first = 0, index = 0;
    for (int length = 1; length <= kMaxBits; ++length) {
        value |= static_cast<int>(in.take(1));
        if (in.exhausted) return -1;
        int count = code.count[length];
        if (value - first < count) return code.symbol[index + value - first];
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return -1;
}

// Builds the code from each symbol's length. Returns 0 for a complete code, more for an
// incomplete one, less for one with more codes than its lengths allow.
int build(Huffman& code, const uint16_t* lengths, int symbols) {
    for (uint16_t& count : code.count) count = 0;
    for (int s = 0; s < symbols; ++s) ++code.count[lengths[s]];
    if (code.count[0] == symbols) return 0;
    int left = 1;
    for (int length = 1; length <= kMaxBits; ++length) {
        left = (left << 1) - code.count[length];
        if (left < 0) return left;
    }
    uint16_t offsets[kMaxBits + 1];
    offsets[1] = 0;
    for (int length = 1; length < kMaxBits; ++length)
        offsets[length + 1] = static_cast<uint16_t>(offsets[length] + code.count[length]);
    for (int s = 0; s < symbols; ++s)
        if (lengths[s] != 0) code.symbol[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
    return left;
}

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool inflateCodes(Input& in, Output& out, const Huffman& literals, const Huffman& distances) {
    for (;;) {
        int symbol = decode(in, literals);
        if (symbol < 0) return false;
        if (symbol < 256) {
            if (out.written == out.size) return false;
            out.bytes[out.written++] = static_cast<unsigned char>(symbol);
            continue;
        }
        if (symbol == 256) return true;
        symbol -= 257;
        if (symbol >= 29) return false;
        size_t length = kLengthBase[symbol] + in.take(kLengthExtra[symbol]);
        int distanceSymbol = decode(in, distances);
        if (distanceSymbol < 0 || distanceSymbol >= 30) return false;
        size_t distance = kDistanceBase[distanceSymbol] + in.take(kDistanceExtra[distanceSymbol]);
        if (in.exhausted || distance > out.written || length > out.size - out.written) return false;
        // Byte by byte: the copy may overlap what it writes (a run).
        for (size_t from = out.written - distance; length > 0; --length)
            out.bytes[out.written++] = out.bytes[from++];
    }
}

bool inflateStored(Input& in, Output& out) {
    in.bits = 0;  // to the next byte boundary
    in.bitCount = 0;
    if (in.size - in.at < 4) return false;
    unsigned length = in.data[in.at] | (in.data[in.at + 1] << 8);
    unsigned complement = in.data[in.at + 2] | (in.data[in.at + 3] << 8);
    in.at += 4;
    if (length != (~complement & 0xFFFFu) || length > in.size - in.at ||
        length > out.size - out.written)
        return false;
    for (unsigned i = 0; i < length; ++i) out.bytes[out.written++] = in.data[in.at++];
    return true;
}

bool inflateFixed(Input& in, Output& out) {
    static Huffman literals, distances;
    static bool built = false;
    if (!built) {
        uint16_t lengths[kFixedLiteralCodes];
        int s = 0;
        for (; s < 144; ++s) lengths[s] = 8;
        for (; s < 256; ++s) lengths[s] = 9;
        for (; s < 280; ++s) lengths[s] = 7;
        for (; s < kFixedLiteralCodes; ++s) lengths[s] = 8;
        build(literals, lengths, kFixedLiteralCodes);
        for (s = 0; s < kMaxDistanceCodes; ++s) lengths[s] = 5;
        build(distances, lengths, kMaxDistanceCodes);
        built = true;
    }
    return inflateCodes(in, out, literals, distances);
}

bool inflateDynamic(Input& in, Output& out) {
    static const uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    int literalCount = static_cast<int>(in.take(5)) + 257;
    int distanceCount = static_cast<int>(in.take(5)) + 1;
    int lengthCodeCount = static_cast<int>(in.take(4)) + 4;
    if (in.exhausted || literalCount > kMaxLiteralCodes || distanceCount > kMaxDistanceCodes)
        return false;
    uint16_t lengths[kMaxLiteralCodes + kMaxDistanceCodes] = {};
    for (int i = 0; i < lengthCodeCount; ++i)
        lengths[kOrder[i]] = static_cast<uint16_t>(in.take(3));
    Huffman lengthCode;
    if (in.exhausted || build(lengthCode, lengths, 19) != 0) return false;

    int total = literalCount + distanceCount;
    for (int i = 0; i < total;) {
        int symbol = decode(in, lengthCode);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<uint16_t>(symbol);
            continue;
        }
        uint16_t repeated = 0;
        int times;
        if (symbol == 16) {
            if (i == 0) return false;
            repeated = lengths[i - 1];
            times = 3 + static_cast<int>(in.take(2));
        } else if (symbol == 17) {
            times = 3 + static_cast<int>(in.take(3));
        } else {
            times = 11 + static_cast<int>(in.take(7));
        }
        if (in.exhausted || i + times > total) return false;
        while (times-- > 0) lengths[i++] = repeated;
    }
    if (lengths[256] == 0) return false;  // no end-of-block code: the block could never end

    // An incomplete code is allowed only for a single code of one bit.
    Huffman literals, distances;
    int left = build(literals, lengths, literalCount);
    if (left < 0 || (left > 0 && literalCount - literals.count[0] != 1)) return false;
    left = build(distances, lengths + literalCount, distanceCount);
    if (left < 0 || (left > 0 && distanceCount - distances.count[0] != 1)) return false;
    return inflateCodes(in, out, literals, distances);
}

}  // namespace

bool inflateRaw(const unsigned char* data, size_t size, size_t expectedSize, std::string& out) {
    out.assign(expectedSize, '\0');
    Output output{reinterpret_cast<unsigned char*>(&out[0]), expectedSize};
    Input in{data, size};
    bool last = false;
    while (!last) {
        last = in.take(1) == 1;
        uint32_t type = in.take(2);
        if (in.exhausted) return false;
        bool done = type == 0   ? inflateStored(in, output)
                    : type == 1 ? inflateFixed(in, output)
                    : type == 2 ? inflateDynamic(in, output)
                                : false;
        if (!done) return false;
    }
    return output.written == expectedSize;
}

}  // namespace trellane
