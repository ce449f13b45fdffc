// Whether a package name is one the system's package database knows. A package of ours under
// the name of a distribution's package (the application's name lower-cased is often one:
// Debian packages many Java applications) takes its place: dpkg installs it as another version
// of that package, and the package manager later puts its own back (an upgrade, or apt-get -f
// install) over the application, or holds ours as a downgrade. The packaging warns; it never
// fails for it.
#pragma once

#include <string>

namespace trellane {

// What the database knows of the package name: "installed here (jflex 1.7.0-3)", "available
// from this system's package sources (hello 2.10-3)"; empty when it knows no package of that
// name, or there is no database to ask (no dpkg-query, no apt-cache) or it does not answer.
std::string knownPackage(const std::string& name);

}  // namespace trellane
