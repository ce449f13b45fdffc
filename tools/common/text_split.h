// Splitting the small texts the tools read: release files, manifests, argument
// files, module and option lists.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The lines of text, without their "\n" or "\r\n"; a last line without one counts too.
std::vector<std::string> splitLines(const std::string& text);

// The non-empty pieces of text between any of the separator characters.
std::vector<std::string> splitWords(const std::string& text, const char* separators);

}  // namespace trellane
