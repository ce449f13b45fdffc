#include "options/jvm_option_tokenizer.h"

#include <string>

namespace trellane {

namespace {

enum class Quote { kNone, kSingle, kDouble };

// The whitespace of the "C" locale, fixed here so that the user's locale cannot change how a
// value splits.
bool isOptionSpace(unsigned char byte) {
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D);
}

}  // namespace

TokenizedOptions tokenizeJvmOptions(const char* text) {
    TokenizedOptions result;
    if (text == nullptr) return result;

    Quote quote = Quote::kNone;
    bool escaped = false;
    std::string token;
    for (const char* at = text; *at != 0; ++at) {
        const char byte = *at;
        if (escaped) {
            token += byte;
            escaped = false;
        } else if (byte == '\\') {
            escaped = true;
        } else if (byte == '\'' && quote != Quote::kDouble) {
            quote = quote == Quote::kSingle ? Quote::kNone : Quote::kSingle;
        } else if (byte == '"' && quote != Quote::kSingle) {
            quote = quote == Quote::kDouble ? Quote::kNone : Quote::kDouble;
        } else if (quote == Quote::kNone && isOptionSpace(static_cast<unsigned char>(byte))) {
            if (!token.empty()) {
                result.tokens.push_back(std::move(token));
                token.clear();
            }
        } else {
            token += byte;
        }
    }

    if (escaped) token += '\\';
    if (quote != Quote::kNone) {
        result.unterminatedQuote = true;
        result.tokens.clear();
        return result;
    }
    if (!token.empty()) result.tokens.push_back(std::move(token));
    return result;
}

}  // namespace trellane
