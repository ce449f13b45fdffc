// The version information resource (type 16, id 1): the fixed part the launcher always
// declares (file and product version 0.0.0.0, an application for 32-bit Windows), one string
// table "040904E4" with the eight application strings, and its translation 0x0409/0x04E4.
#pragma once

#include <string>

namespace trellane {

// The strings in the order the table holds them. UTF-8 here, UTF-16 in the resource.
struct VersionStrings {
    std::string productName;
    std::string fileDescription;
    std::string companyName;
    std::string fileVersion;
    std::string productVersion;
    std::string legalCopyright;
    std::string internalName;
    std::string originalFileName;
};

// The resource's bytes, laid out as Windows' version functions read them: each block's
// length, value length and type, its UTF-16 key, value and children on 4-byte boundaries.
// False when a string is not UTF-8 or the whole exceeds the 65535 bytes its length field
// can count; problem says which.
bool writeVersionInfo(const VersionStrings& strings, std::string& data, std::string& problem);

// The strings of the table "040904E4" (or else of the first table) that data holds, matched
// by key whatever their order and case; a key that is missing leaves its field empty. False
// when data is not a version information resource whose blocks fit inside each other.
bool readVersionStrings(const std::string& data, VersionStrings& strings);

}  // namespace trellane
