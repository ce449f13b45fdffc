// jpackage's --file-associations FILE and its other properties files are read by Java's
// Properties.load, so a file written for jpackage means here what it means there. One reader
// for every installer; what each key means is the installer's.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace trellane {

// The keys and values of text in Java's properties format, in the order first given, a key
// given again taking its last value: logical lines ('\n', '\r' or "\r\n" ending them) whose
// leading blanks (' ', '\t', '\f') go; '#' and '!' comment lines; a line ending in an odd
// number of backslashes continued on the next, whose leading blanks go too; the key up to the
// first unescaped '=', ':' or blank, then blanks, one '=' or ':' and blanks before the value;
// escapes \t \n \r \f, \uXXXX (a surrogate pair one character) and any other character as
// itself. Characters outside ASCII pass as they are (UTF-8 files, as Java reads them with a
// UTF-8 reader); \uXXXX escapes become UTF-8. False, with problem, on a \u without four
// hexadecimal digits or half of a surrogate pair, which has no UTF-8.
bool readJavaProperties(const std::string& text,
                        std::vector<std::pair<std::string, std::string>>& entries,
                        std::string& problem);

}  // namespace trellane
