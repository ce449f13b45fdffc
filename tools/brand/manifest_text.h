// The three parts of the launcher's manifest that carry the application: the assembly
// identity's name and version and the description. The manifest is edited as text, so every
// other byte stays as built.
#pragma once

#include <string>

namespace trellane {

struct ManifestIdentity {
    std::string name;         // the assembly identity's name
    std::string version;      // four dotted numbers
    std::string description;  // the display name, as text (not XML-escaped)
};

// The identity of a manifest shaped as the launcher's: its first assemblyIdentity element,
// the application's own, before any dependency, with name and version attributes in double
// quotes, and one description element. False for any other manifest; problem says what is
// missing.
bool readManifestIdentity(const std::string& manifest, ManifestIdentity& identity,
                          std::string& problem);

// The manifest with the identity's parts replaced, the description XML-escaped; false as
// readManifestIdentity is.
bool rewriteManifestIdentity(const std::string& manifest, const ManifestIdentity& identity,
                             std::string& rewritten, std::string& problem);

}  // namespace trellane
