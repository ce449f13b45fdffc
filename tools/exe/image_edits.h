// The edits a packaging step makes to a Windows launcher's image, as the host tools run
// them: each refuses (the tool's name, the file's name and the problem) when it cannot be
// done, so a command stops before it writes anything. Apply them in this order; the checksum
// comes last because it covers everything else.
#pragma once

#include <cstdint>
#include <string>

#include "exe/resource_list.h"

namespace trellane {

// Removes an Authenticode signature, saying so on stderr: every edit would invalidate it.
void removeSignatureNoting(std::string& image, const std::string& path);

ResourceList readResourcesOrRefuse(const std::string& image, const std::string& path);

void replaceResourcesOrRefuse(std::string& image, const ResourceList& resources,
                              const std::string& path);

void setSubsystemOrRefuse(std::string& image, uint16_t subsystem, const std::string& path);

void writeChecksumOrRefuse(std::string& image, const std::string& path);

}  // namespace trellane
