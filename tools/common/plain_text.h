// Whether a value from the command line is one line of text: a name or a description that
// goes into a menu entry, a package's control file or a file name is shown to people by
// programs that take it as UTF-8, and a control character in it (a line end, ESC, U+0085
// NEXT LINE) would end a field early or act on a terminal.
#pragma once

#include <string>

namespace trellane {

// Whether text is well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing beyond U+10FFFF.
bool isUtf8(const std::string& text);

// Why text is not one line of plain text, said of it ("is not UTF-8 text", "holds a control
// character (U+0085)": C0, DEL or a C1 control, the first one named); empty when it is.
std::string plainTextProblem(const std::string& text);

}  // namespace trellane
