// The resources of a Windows executable as a flat list, the form the branding edits and the
// resource section is written from. Types and names are numbers or UTF-16 text, as the
// resource tree holds them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

struct ResourceName {
    uint16_t id = 0;
    std::u16string text;  // a named entry when not empty; id is then unused

    static ResourceName number(uint16_t id) { return ResourceName{id, {}}; }
};

bool operator==(const ResourceName& a, const ResourceName& b);

// The order of a resource directory's entries, which the loader searches by halves: named
// entries first, by UTF-16 code units, then numbers ascending.
bool operator<(const ResourceName& a, const ResourceName& b);

// The standard types the launcher carries.
constexpr uint16_t kResourceTypeIcon = 3;
constexpr uint16_t kResourceTypeGroupIcon = 14;
constexpr uint16_t kResourceTypeVersion = 16;
constexpr uint16_t kResourceTypeManifest = 24;

constexpr uint16_t kLanguageEnglishUs = 0x0409;

struct Resource {
    ResourceName type;
    ResourceName name;
    uint16_t language = 0;
    uint32_t codePage = 0;  // as the data entry records it; 0 for every resource the launcher has
    std::string data;
};

using ResourceList = std::vector<Resource>;

// The order of the resource tree: by type, then name, then language.
bool resourceOrder(const Resource& a, const Resource& b);

// The entry with this type, name and language, or nullptr.
const Resource* findResource(const ResourceList& resources, const ResourceName& type,
                             const ResourceName& name, uint16_t language);

// Replaces the entry with the same type, name and language in place, or appends it.
void putResource(ResourceList& resources, Resource resource);

// Removes every entry of this type and name, whatever its language; how many went.
size_t removeResources(ResourceList& resources, const ResourceName& type, const ResourceName& name);

}  // namespace trellane
