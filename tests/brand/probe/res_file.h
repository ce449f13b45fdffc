// The .res file a resource compiler writes, so the branding tests can hand the resources to
// mingw's windres and linker and read the result with Windows' own tools.
#pragma once

#include <string>

#include "exe/resource_list.h"

namespace trellane {

// Each entry: data size, header size, type and name (0xFFFF and a number, or UTF-16 text),
// data version, memory flags, language, version, characteristics, then the data, all on
// 4-byte boundaries; the file starts with one empty entry. False when an entry runs past
// the end.
bool readResFile(const std::string& bytes, ResourceList& resources);

std::string writeResFile(const ResourceList& resources);

}  // namespace trellane
