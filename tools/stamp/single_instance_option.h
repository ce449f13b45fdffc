// --single-instance[=ID], which both tools take: the launcher's single-instance switch and the
// identity it names the instance by, stamped as the JVM option -Dtrellane.singleInstance=ID.
// The identity must stay the same for every version of one product, and differ between
// products: an instance of one is never handed another's launches.
#pragma once

#include <string>

#include "brand/app_metadata.h"
#include "config/launch_config.h"

namespace trellane {

// The identity: the one given; else the manifest identity's (metadata.identity when given,
// else Vendor.Name derived from the vendor and name, as the manifest's is); else the main class
// (of a main module MODULE/CLASS the class, of MODULE/ the module).
std::string chooseInstanceIdentity(const std::string& given, const AppMetadata& metadata,
                                   const std::string& name, const std::string& mainClass);

// Appends the identity's option to the JVM options. Refuses an identity that is empty, longer
// than 255 characters, or holds a character other than the ASCII letters and digits and
// ". _ - $" (it is also a JVM option, which the launcher's expansions would rewrite).
void stampInstanceIdentity(LaunchConfig& config, const std::string& identity);

// Takes the mode back out of a configuration: its identity option and its switch.
void dropInstanceOption(LaunchConfig& config);

// Refuses JVM options that set -Dtrellane.singleInstance themselves: only --single-instance
// may, or the application would believe it runs in the mode without the launcher knowing.
void refuseInstanceOptionAmong(const StringList& jvmOptions);

}  // namespace trellane
