#include "exe/image_edits.h"

#include <cstdio>

#include "common/refusal.h"
#include "common/shown_text.h"
#include "exe/pe_header_fields.h"
#include "exe/pe_image.h"
#include "exe/pe_signature.h"
#include "exe/resource_section_edit.h"
#include "exe/resource_tree_reader.h"

namespace trellane {

void removeSignatureNoting(std::string& image, const std::string& path) {
    bool removed = false;
    std::string problem;
    if (!removeSignature(image, removed, problem))
        refuse("%s %s", shownName(path).c_str(), problem.c_str());
    if (removed)
        notice("note: ",
               "%s is signed; the copy loses that signature (sign the output "
               "again)",
               shownName(path).c_str());
}

ResourceList readResourcesOrRefuse(const std::string& image, const std::string& path) {
    PeImage headers;
    ResourceList resources;
    std::string problem;
    if (!readPeImage(image, headers, problem) || !readResources(image, headers, resources, problem))
        refuse("%s %s", shownName(path).c_str(), problem.c_str());
    return resources;
}

void replaceResourcesOrRefuse(std::string& image, const ResourceList& resources,
                              const std::string& path) {
    std::string problem;
    if (!replaceResourceSection(image, resources, problem))
        refuse("%s %s", shownName(path).c_str(), problem.c_str());
}

void setSubsystemOrRefuse(std::string& image, uint16_t subsystem, const std::string& path) {
    std::string problem;
    if (!writeSubsystem(image, subsystem, problem))
        refuse("%s %s", shownName(path).c_str(), problem.c_str());
}

void writeChecksumOrRefuse(std::string& image, const std::string& path) {
    std::string problem;
    if (!writeChecksum(image, problem)) refuse("%s %s", shownName(path).c_str(), problem.c_str());
}

}  // namespace trellane
