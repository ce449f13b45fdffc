// Reading the resource tree of a PE32+ image into a flat list. The tree has three levels,
// type, name and language; entries are named (UTF-16 text) or numbered. The file may be
// hostile: each directory may be reached once (no loops, no shared subtrees), the depth is
// fixed, every offset is checked, and the data of all entries together cannot exceed the file.
#pragma once

#include <string>

#include "exe/pe_image.h"
#include "exe/resource_list.h"

namespace trellane {

// The resources in the tree's order; false with a problem ("has no resources", "is
// damaged: ...") when there is no tree or it cannot be read as one.
bool readResources(const std::string& file, const PeImage& image, ResourceList& resources,
                   std::string& problem);

}  // namespace trellane
