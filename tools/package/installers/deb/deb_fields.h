// The checks a value passes before it goes into a Debian package's control file: each one
// stands for an error of Debian's package checker (lintian), or for dpkg reading the field
// otherwise than it was meant. Each says why a value cannot be used, in words that follow
// the value in a message; empty when it can.
#pragma once

#include <cstddef>
#include <string>

namespace trellane {

// The longest value a control field may have (the Description aside), in characters.
constexpr size_t kMaxControlFieldLength = 5000;

// A field's value: at most kMaxControlFieldLength characters.
std::string fieldLengthProblem(const std::string& value);

// The name in the Maintainer field, "NAME <mail>": one line of UTF-8 text made of words
// (letters, digits and the marks a mail address's name may hold unquoted), spaces and dots,
// not starting with a dot, and not "root".
std::string contactNameProblem(const std::string& name);

// The Description's first line (the synopsis) of the package named package: one line of
// UTF-8 text, more than one word, not blank, not starting with the package's name.
std::string synopsisProblem(const std::string& synopsis, const std::string& package);

}  // namespace trellane
