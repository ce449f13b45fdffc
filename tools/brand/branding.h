// What a packager's metadata makes of the launcher's resources: the manifest's identity and
// description, the version strings and the icons. Only what the metadata gives changes; every
// other resource, and every part of these the metadata leaves out, stays as the launcher
// carries it.
#pragma once

#include <string>
#include <vector>

#include "brand/app_metadata.h"
#include "brand/icon_group.h"
#include "brand/version_info.h"
#include "exe/resource_list.h"

namespace trellane {

constexpr uint16_t kIconGroupId = 2000;

// Refuses, saying what to give instead, a version that is not one to four numbers, a display
// name Windows cannot use as a file name, an explicit identity a manifest cannot carry, or
// text that is not UTF-8. Reads no file: a command calls it before it reads its input.
void checkAppMetadata(const AppMetadata& metadata);

// Brands the resources, after checkAppMetadata:
// - name: ProductName and FileDescription, InternalName and OriginalFileName (NAME.exe), the
//   manifest's description;
// - version, padded to four numbers: FileVersion, ProductVersion, the manifest's version
//   (the fixed part of the version information stays 0.0.0.0);
// - vendor: CompanyName; copyright: LegalCopyright;
// - identity: the manifest's name; when empty and name or vendor is given, it is derived
//   from the vendor and the name, each the one given or else the one the launcher carries;
// - iconPath: icon group 2000 with icons 1 to 5, replacing the group and its images in every
//   language.
// Refuses a launcher whose manifest or version information is not shaped as built, and an
// icon it cannot use.
void applyBranding(ResourceList& resources, const AppMetadata& metadata);

// What the launcher carries, for show; a part it lacks or that does not read is left empty.
struct Branding {
    std::string identity;
    std::string manifestVersion;
    std::string description;
    VersionStrings strings;
    std::vector<IconGroupEntry> icons;  // of group 2000
};

Branding readBranding(const ResourceList& resources);

}  // namespace trellane
