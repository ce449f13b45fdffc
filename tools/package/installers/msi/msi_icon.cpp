#include "package/installers/msi/msi_icon.h"

#include <vector>

#include "brand/branding.h"
#include "brand/icon_group.h"
#include "common/refusal.h"
#include "exe/launcher_file.h"
#include "exe/pe_image.h"
#include "exe/resource_list.h"
#include "exe/resource_tree_reader.h"

namespace trellane {

namespace {

void put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

const Resource* findAnyLanguage(const ResourceList& resources, uint16_t type, uint16_t id) {
    for (const Resource& resource : resources)
        if (resource.type == ResourceName::number(type) && resource.name == ResourceName::number(id))
            return &resource;
    return nullptr;
}

}  // namespace

std::string launcherIconFile(const std::string& launcherPath) {
    std::string file = readLauncherFile(launcherPath).bytes;
    PeImage image;
    ResourceList resources;
    std::string problem;
    std::vector<IconGroupEntry> entries;
    const Resource* group = nullptr;
    if (readPeImage(file, image, problem) && readResources(file, image, resources, problem))
        group = findAnyLanguage(resources, kResourceTypeGroupIcon, kIconGroupId);
    if (group == nullptr || !readIconGroup(group->data, entries) || entries.empty())
        refuse("the launcher %s has no icons to give the installer (%s); package with the "
               "launcher.exe this project builds",
               launcherPath.c_str(), problem.empty() ? "no icon group 2000" : problem.c_str());
    std::vector<const Resource*> icons;
    for (const IconGroupEntry& entry : entries) {
        const Resource* icon = findAnyLanguage(resources, kResourceTypeIcon, entry.id);
        if (icon == nullptr)
            refuse("the launcher %s names icon %u in its icon group but does not hold it; "
                   "package with the launcher.exe this project builds",
                   launcherPath.c_str(), static_cast<unsigned>(entry.id));
        icons.push_back(icon);
    }
    std::string ico;
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, static_cast<unsigned>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        ico += static_cast<char>(entries[i].width >= 256 ? 0 : entries[i].width);
        ico += static_cast<char>(entries[i].height >= 256 ? 0 : entries[i].height);
        ico += '\0';  // no palette
        ico += '\0';
        put16(ico, 1);  // planes
        put16(ico, static_cast<unsigned>(entries[i].bitCount));
        put32(ico, static_cast<uint32_t>(icons[i]->data.size()));
        put32(ico, offset);
        offset += static_cast<uint32_t>(icons[i]->data.size());
    }
    for (const Resource* icon : icons) ico += icon->data;
    return ico;
}

}  // namespace trellane
