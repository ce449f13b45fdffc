// UTF-8, the host tools' text, and UTF-16, the text of an executable's resources.
#pragma once

#include <string>

namespace trellane {

// False when the text is not well-formed UTF-8 (overlong forms, surrogates and values past
// U+10FFFF included): such text would come out as something else in a resource.
bool decodeUtf8(const std::string& text, std::u16string& decoded);

// A lone surrogate, which a resource may hold, becomes U+FFFD.
std::string encodeUtf8(const std::u16string& text);

}  // namespace trellane
