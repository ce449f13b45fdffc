// "@FILE" on the command line: the arguments FILE holds, so a project keeps its packaging
// description in its repository. Conventionally one option and its value per line:
//
//   --input build/libs
//   --java-options "-Dapp.title=My App"
//   # a comment
//
// Spaces and tabs separate arguments; "..." and '...' group (each kind may hold the other),
// and pieces written together join (-Dx="a b"c is -Dx=a bc). A backslash is an ordinary
// character, so Windows paths stay as written. Blank lines and lines starting with '#' are
// skipped. Files do not nest: inside a file, an argument starting with '@' is literal. Both
// tools read their command lines this way.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The arguments of one line of an argument file; false when a quote is not closed.
bool splitArgumentLine(const std::string& line, std::vector<std::string>& arguments);

// The arguments with each "@FILE" replaced by FILE's; refuses a file it cannot read or that
// is not a regular file (a FIFO would hold the command), or a line with an unclosed quote
// (naming the file and line).
std::vector<std::string> expandArgumentFiles(const std::vector<std::string>& arguments);

}  // namespace trellane
