// Linked runtimes kept between runs: jlink and its CDS archive take most of a packaging run
// (15 to 20 s), and the same JDK, modules and options give the same runtime. Entries live in
// $XDG_CACHE_HOME/trellane-package/runtimes (default ~/.cache/...), named by a hash of what
// went into them; the four used last stay. Without a usable folder nothing is cached.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// What identifies the modules a JDK links from: its path, its release file, and the size and
// time of each of these parts of it ("/lib/modules", "/jmods"): an update of the JDK changes
// them.
std::string jdkIdentity(const std::string& home, const std::vector<std::string>& parts);

// What identifies files linked in besides the JDK's (the application's modules): each path,
// and the size and time of it and of every file in it when it is a folder.
std::string filesIdentity(const std::vector<std::string>& paths);

// A key for the runtime that these inputs make (a hash, in hexadecimal).
std::string runtimeCacheKey(const std::vector<std::string>& inputs);

// The cached runtime for key, or empty. A hit counts as a use.
std::string findCachedRuntime(const std::string& key);

// Keeps a copy of the runtime under key; without a usable cache folder, or when the copy
// fails, nothing is kept and nothing is refused.
void storeCachedRuntime(const std::string& key, const std::string& runtime);

}  // namespace trellane
