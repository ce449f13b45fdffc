#include "common/shown_text.h"

#include <cstdio>
#include <cstring>

namespace trellane {

namespace {

void appendEscape(std::string& shown, unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    shown += escape;
}

// U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F in UTF-8; a terminal acts on them
// (C2 9B starts an escape sequence) as on the C0 ones.
bool startsC1Control(const std::string& text, size_t i) {
    return static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
           (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
}

std::string escaped(const std::string& text, const char* alsoEscaped, const char* kept,
                    bool escapeBackslash) {
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        const bool c1Control = startsC1Control(text, i);
        if ((byte == '\\' && escapeBackslash) ||
            (byte != 0 && std::strchr(alsoEscaped, byte) != nullptr)) {
            shown += '\\';
            shown += text[i];
        } else if ((byte < 0x20 || byte == 0x7F || c1Control) &&
                   (byte == 0 || std::strchr(kept, byte) == nullptr)) {
            appendEscape(shown, byte);
            if (c1Control) appendEscape(shown, static_cast<unsigned char>(text[++i]));
        } else {
            shown += text[i];
        }
    }
    return shown;
}

}  // namespace

std::string escapeControls(const std::string& text, const char* alsoEscaped) {
    return escaped(text, alsoEscaped, "", true);
}

std::string shownName(const std::string& path) {
    return escapeControls(path);
}

std::string shownMessage(const std::string& message) {
    return escaped(message, "", "\n\t", false);
}

}  // namespace trellane
