// The name in the manifest's assembly identity. Windows' side-by-side loader reads it when
// the process starts; a name it rejects stops the program before any code runs, so the
// launcher keeps to the safe subset: ASCII letters and digits, '-' and '_', in parts joined
// by single dots ("Vendor.Application").
#pragma once

#include <string>

namespace trellane {

// "Vendor.Name" from the vendor and the display name: Latin-1 letters as their ASCII base
// letters, every other character outside the safe subset dropped (spaces, punctuation, other
// scripts), empty parts left out; "" when nothing usable remains.
std::string deriveIdentity(const std::string& vendor, const std::string& name);

// What keeps an explicit identity out of the manifest, or "" when nothing does.
std::string identityProblem(const std::string& identity);

}  // namespace trellane
