// Hostile executables through the PE reader and the resource round trip: reading never goes
// out of range, and whatever resources a file yields are written into a new section and read
// back the same (in the tree's order).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exe/pe_header_fields.h"
#include "exe/pe_image.h"
#include "exe/pe_signature.h"
#include "exe/resource_section_edit.h"
#include "exe/resource_tree_reader.h"

using namespace trellane;

namespace {

bool same(const Resource& a, const Resource& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language &&
           a.codePage == b.codePage && a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);
    PeImage image;
    ResourceList resources;
    std::string problem;
    if (!readPeImage(file, image, problem) || !readResources(file, image, resources, problem))
        return 0;
    bool removed = false;
    if (!removeSignature(file, removed, problem) ||
        !replaceResourceSection(file, resources, problem))
        return 0;
    const PeImage before = image;
    // What was read is now written by us: it must read back whole.
    ResourceList again;
    if (!readPeImage(file, image, problem) || !readResources(file, image, again, problem) ||
        !writeChecksum(file, problem))
        std::abort();
    // A section's data moves by whole file alignments, or a loader reads it from the wrong
    // place.
    for (size_t i = 0; i < image.sections.size(); ++i) {
        const PeSection &was = before.sections[i], &is = image.sections[i];
        if (was.sizeOfRawData != 0 && is.sizeOfRawData != 0 &&
            (int64_t{is.pointerToRawData} - was.pointerToRawData) % image.fileAlignment != 0)
            std::abort();
    }
    std::stable_sort(resources.begin(), resources.end(), resourceOrder);
    if (!std::equal(resources.begin(), resources.end(), again.begin(), again.end(), same))
        std::abort();
    return 0;
}
