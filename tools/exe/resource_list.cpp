#include "exe/resource_list.h"

#include <algorithm>

namespace trellane {

namespace {

bool sameEntry(const Resource& resource, const ResourceName& type, const ResourceName& name,
               uint16_t language) {
    return resource.type == type && resource.name == name && resource.language == language;
}

}  // namespace

bool operator==(const ResourceName& a, const ResourceName& b) {
    if (!a.text.empty() || !b.text.empty()) return a.text == b.text;
    return a.id == b.id;
}

bool operator<(const ResourceName& a, const ResourceName& b) {
    bool aNamed = !a.text.empty(), bNamed = !b.text.empty();
    if (aNamed != bNamed) return aNamed;
    return aNamed ? a.text < b.text : a.id < b.id;
}

bool resourceOrder(const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
}

const Resource* findResource(const ResourceList& resources, const ResourceName& type,
                             const ResourceName& name, uint16_t language) {
    for (const Resource& resource : resources)
        if (sameEntry(resource, type, name, language)) return &resource;
    return nullptr;
}

void putResource(ResourceList& resources, Resource resource) {
    for (Resource& existing : resources) {
        if (!sameEntry(existing, resource.type, resource.name, resource.language)) continue;
        existing = std::move(resource);
        return;
    }
    resources.push_back(std::move(resource));
}

size_t removeResources(ResourceList& resources, const ResourceName& type,
                       const ResourceName& name) {
    size_t before = resources.size();
    resources.erase(
        std::remove_if(resources.begin(), resources.end(),
                       [&](const Resource& r) { return r.type == type && r.name == name; }),
        resources.end());
    return before - resources.size();
}

}  // namespace trellane
