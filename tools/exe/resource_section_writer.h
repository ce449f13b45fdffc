// Laying out a resource section from a list: the directory tree (type, name, language, in
// the order the loader searches: named entries first), the data entries, the names, then each
// resource's data on an 8-byte boundary. The same list gives the same bytes, whatever its
// order: no time stamp, no padding that depends on anything else.
#pragma once

#include <cstdint>
#include <string>

#include "exe/resource_list.h"

namespace trellane {

// The section's bytes for a section that starts at rva (data entries hold RVAs), without
// the padding to the file alignment; false with a problem when an entry appears twice or the
// section would not fit the image's 32-bit address space.
bool buildResourceSection(const ResourceList& resources, uint32_t rva, std::string& section,
                          std::string& problem);

}  // namespace trellane
