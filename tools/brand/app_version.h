// The application's version as the version strings and the manifest carry it: four dotted
// numbers. A packager may give one to four; the missing ones are zeros.
#pragma once

#include <string>

namespace trellane {

// "1.2" gives "1.2.0.0". False for anything but one to four dotted decimal numbers of 0 to
// 65535 each (the manifest's limit), without signs, blanks or empty parts. Leading zeros are
// read as decimal and dropped: "1.02" gives "1.2.0.0".
bool padAppVersion(const std::string& text, std::string& padded);

}  // namespace trellane
