// Replacing the resource section of a PE32+ image and fixing what depends on its size: the
// resource directory entry, the section's sizes, SizeOfImage and SizeOfInitializedData, and
// the sections after it.
//
// The new section keeps the old one's address. When it grows or shrinks, what follows moves:
// the sections after it in memory (which must be discardable, like the base relocations, and
// pointed at by no data directory but the base relocation one: code never refers to those),
// their file data, data appended after the last section, and the COFF symbol table. When the
// sections after it cannot move, the new resources must fit in the old section's room. Every
// other byte of the file stays as it was.
#pragma once

#include <string>

#include "exe/resource_list.h"

namespace trellane {

// False with a problem (to follow the file's name in a message) when the file is not a PE32+
// image with a resource section this editor can rewrite, or is signed (remove the signature
// first). The checksum is left stale: write it after the last edit.
bool replaceResourceSection(std::string& file, const ResourceList& resources, std::string& problem);

}  // namespace trellane
