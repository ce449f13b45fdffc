#pragma once

#include "config/launch_config.h"

namespace trellane {

// The options of one TRELLANE_JVM_OPTIONS text, in the order the user wrote them.
struct TokenizedOptions {
    StringList tokens;
    // A single or double quote was still open at the end of the text; the caller ends the
    // launch, since half an option must never reach the JVM.
    bool unterminatedQuote = false;
};

// Splits text the way a shell splits words: whitespace separates, single and double quotes
// group, a backslash escapes the next byte everywhere (inside single quotes too), and quoted
// and unquoted pieces written together join into one option. Empty options are dropped.
// Null or empty text gives no options. Linear in the text's length.
TokenizedOptions tokenizeJvmOptions(const char* text);

}  // namespace trellane
