// The GUIDs an MSI is known by. Those that must stay the same from one build to the next (the
// upgrade code, a version's product code, a component's code for the same installed path) are
// name-based (RFC 4122 version 5, SHA-1), so they need no record kept between builds; the
// package code, which must differ for every package, is a random one that wixl makes.
#pragma once

#include <string>

namespace trellane {

// The namespace of the upgrade codes this command derives.
constexpr char kUpgradeCodeNamespace[] = "{098CFCD3-6EDC-47F6-BED4-7C65D4E2F5FA}";

// "{8-4-4-4-12}" in upper case, as MSI tables write GUIDs, from one written with or without
// braces in either case; false when text is not a GUID.
bool normalGuid(const std::string& text, std::string& guid);

// The version 5 GUID of name in the namespace (a GUID as normalGuid reads it), upper case
// with braces.
std::string nameBasedGuid(const std::string& namespaceGuid, const std::string& name);

}  // namespace trellane
