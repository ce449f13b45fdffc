#pragma once

#include <cstdio>
#include <string>

#include "exe/area_locator.h"

namespace trellane {

// text in double quotes, so empty entries and spaces show; a quote, a backslash and control
// characters (C0, DEL, and C1 as UTF-8 encodes it) are escaped (\", \\, \xNN for each byte);
// other bytes (UTF-8 text) are printed as they are.
std::string quoteText(const std::string& text);

// One line of show's output: "label:", then the value in the column every line shares.
void printShowLine(std::FILE* out, const std::string& label, const std::string& value);

// A line under one, indented by two: the name, then the value in the same column.
void printShowItem(std::FILE* out, const std::string& name, const std::string& value);

// Prints a stamped area readably, field by field in block order. flagByte is the area's
// first byte as stored, to show bits the parsed record has no field for.
void printStampedArea(std::FILE* out, const StampedArea& area, unsigned char flagByte);

}  // namespace trellane
