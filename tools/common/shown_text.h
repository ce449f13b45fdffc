// Text from outside (file names, a child's output, a launcher's strings) made safe to print:
// a terminal acts on control characters, so a name holding ESC could recolour or rewrite the
// screen, and one holding a newline could print a line that reads as another message.
#pragma once

#include <string>

namespace trellane {

// text with each control character (C0, DEL, and the C1 controls as UTF-8 encodes them,
// C2 80 to C2 9F) as \xNN for each byte, a backslash as \\, and each character of alsoEscaped
// behind a backslash; other bytes (UTF-8 text) as they are.
std::string escapeControls(const std::string& text, const char* alsoEscaped = "");

// A file name or path for a message: escapeControls, so what is printed is one line that
// names the file unambiguously.
std::string shownName(const std::string& path);

// A whole message, whose own line breaks and tabs stay: every other control character as
// \xNN, backslashes as they are (the names in it are already escaped).
std::string shownMessage(const std::string& message);

}  // namespace trellane
