#include "hosting/java_string.h"

namespace trellane {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// What may follow a lead byte in UTF-8: the sequence's length and the range of its second
// byte (the bytes after that are 80..BF). The ranges leave out overlong forms, surrogates
// and code points beyond U+10FFFF.
struct LeadRule {
    size_t length;  // 0: the byte starts no sequence
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadRule ruleFor(unsigned char lead) {
    if (lead < 0x80) return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// How many bytes of the sequence at s are well formed: its whole length when it is complete.
// Stops at the terminating NUL, which is never a continuation.
size_t wellFormedPrefix(const unsigned char* s, const LeadRule& rule) {
    if (rule.length == 0) return 0;
    if (rule.length == 1) return 1;
    if (s[1] < rule.secondLow || s[1] > rule.secondHigh) return 1;
    size_t i = 2;
    while (i < rule.length && (s[i] & 0xC0) == 0x80) ++i;
    return i;
}

void appendThreeByte(std::string& out, unsigned unit) {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
}

}  // namespace

std::string toModifiedUtf8(const char* utf8) {
    std::string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
    while (*s != 0) {
        LeadRule rule = ruleFor(*s);
        size_t formed = wellFormedPrefix(s, rule);
        if (formed < rule.length || rule.length == 0) {
            // One replacement for a stray byte or for a sequence cut short, as Java's own
            // UTF-8 decoder counts them.
            out += kReplacement;
            s += formed == 0 ? 1 : formed;
        } else if (rule.length < 4) {
            out.append(reinterpret_cast<const char*>(s), rule.length);
            s += rule.length;
        } else {
            unsigned codePoint = ((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) |
                                 ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
            codePoint -= 0x10000;
            appendThreeByte(out, 0xD800 | (codePoint >> 10));
            appendThreeByte(out, 0xDC00 | (codePoint & 0x3FF));
            s += 4;
        }
    }
    return out;
}

jstring newJavaString(JNIEnv* env, const char* utf8) {
    return env->NewStringUTF(toModifiedUtf8(utf8).c_str());
}

}  // namespace trellane
