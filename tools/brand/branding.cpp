#include "brand/branding.h"

#include <cstdio>

#include "brand/app_version.h"
#include "brand/assembly_identity.h"
#include "brand/icon_images.h"
#include "brand/manifest_text.h"
#include "brand/utf16_text.h"
#include "common/refusal.h"
#include "common/windows_names.h"

namespace trellane {

namespace {

const ResourceName kManifestType = ResourceName::number(kResourceTypeManifest);
const ResourceName kVersionType = ResourceName::number(kResourceTypeVersion);
const ResourceName kGroupType = ResourceName::number(kResourceTypeGroupIcon);
const ResourceName kIconType = ResourceName::number(kResourceTypeIcon);
const ResourceName kFirstId = ResourceName::number(1);

const char kUnmodifiedLauncher[] = "brand a launcher.exe as Trellane builds it";

// The entry of this type and name in whatever language it has.
const Resource* findAnyLanguage(const ResourceList& resources, const ResourceName& type,
                                const ResourceName& name) {
    for (const Resource& resource : resources)
        if (resource.type == type && resource.name == name) return &resource;
    return nullptr;
}

bool isUtf8(const std::string& text) {
    std::u16string decoded;
    return decodeUtf8(text, decoded);
}

// Removes every entry of this type and name, then adds data as the launcher's one entry.
void replaceResource(ResourceList& resources, const ResourceName& type, const ResourceName& name,
                     std::string data) {
    removeResources(resources, type, name);
    putResource(resources, Resource{type, name, kLanguageEnglishUs, 0, std::move(data)});
}

VersionStrings carriedStrings(const ResourceList& resources) {
    const Resource* version = findAnyLanguage(resources, kVersionType, kFirstId);
    VersionStrings strings;
    if (version == nullptr || !readVersionStrings(version->data, strings))
        refuse("the launcher's version information (resource 16/1) is missing or unreadable; %s",
               kUnmodifiedLauncher);
    return strings;
}

void brandVersionStrings(ResourceList& resources, const AppMetadata& metadata,
                         const std::string& version, VersionStrings& strings) {
    if (!metadata.name.empty()) {
        strings.productName = strings.fileDescription = metadata.name;
        strings.internalName = strings.originalFileName = metadata.name + ".exe";
    }
    if (!metadata.vendor.empty()) strings.companyName = metadata.vendor;
    if (!version.empty()) strings.fileVersion = strings.productVersion = version;
    if (!metadata.copyright.empty()) strings.legalCopyright = metadata.copyright;
    std::string data, problem;
    if (!writeVersionInfo(strings, data, problem))
        refuse("cannot write the version strings: %s; shorten the vendor or the copyright",
               problem.c_str());
    replaceResource(resources, kVersionType, kFirstId, std::move(data));
}

// The identity the manifest gets: the one given, else one derived when the name or the vendor
// changes, else the one it has.
std::string brandedIdentity(const AppMetadata& metadata, const VersionStrings& strings,
                            const std::string& carried) {
    if (!metadata.identity.empty()) return metadata.identity;
    if (metadata.name.empty() && metadata.vendor.empty()) return carried;
    std::string derived = deriveIdentity(strings.companyName, strings.productName);
    if (!derived.empty()) return derived;
    notice("warning: ",
           "the vendor and the name hold no ASCII letters or digits for the "
           "manifest identity, which stays %s; give an identity such as Vendor.App",
           carried.c_str());
    return carried;
}

void brandManifest(ResourceList& resources, const AppMetadata& metadata, const std::string& version,
                   const VersionStrings& strings) {
    const Resource* manifest = findAnyLanguage(resources, kManifestType, kFirstId);
    ManifestIdentity identity;
    std::string problem, rewritten;
    if (manifest == nullptr) problem = "is missing";
    if (manifest == nullptr || !readManifestIdentity(manifest->data, identity, problem))
        refuse("the launcher's manifest %s; %s", problem.c_str(), kUnmodifiedLauncher);
    identity.name = brandedIdentity(metadata, strings, identity.name);
    if (!version.empty()) identity.version = version;
    if (!metadata.name.empty()) identity.description = metadata.name;
    rewriteManifestIdentity(manifest->data, identity, rewritten, problem);
    replaceResource(resources, kManifestType, kFirstId, std::move(rewritten));
}

void brandIcons(ResourceList& resources, const std::vector<std::string>& pngs) {
    // The old group's images go with it, whatever their ids and languages: an image left in
    // another language than its group's is the one Windows would keep showing.
    const ResourceName group = ResourceName::number(kIconGroupId);
    std::vector<IconGroupEntry> old, oldInGroup;
    for (const Resource& resource : resources)
        if (resource.type == kGroupType && resource.name == group &&
            readIconGroup(resource.data, oldInGroup))
            old.insert(old.end(), oldInGroup.begin(), oldInGroup.end());
    for (const IconGroupEntry& entry : old)
        removeResources(resources, kIconType, ResourceName::number(entry.id));
    removeResources(resources, kGroupType, group);

    std::vector<IconGroupEntry> entries;
    for (size_t i = 0; i < pngs.size(); ++i) {
        IconGroupEntry entry;
        entry.width = entry.height = iconSizes()[i];
        entry.bitCount = 32;
        entry.length = static_cast<uint32_t>(pngs[i].size());
        entry.id = static_cast<uint16_t>(i + 1);
        replaceResource(resources, kIconType, ResourceName::number(entry.id), pngs[i]);
        entries.push_back(entry);
    }
    putResource(resources,
                Resource{kGroupType, group, kLanguageEnglishUs, 0, writeIconGroup(entries)});
}

}  // namespace

void checkAppMetadata(const AppMetadata& metadata) {
    std::string padded, problem;
    if (!metadata.name.empty() && !(problem = windowsProgramNameProblem(metadata.name)).empty())
        refuse(
            "the application name \"%s\" %s; the launcher's file name in its version "
            "strings is the name and \".exe\", so give a name Windows can use for a file",
            metadata.name.c_str(), problem.c_str());
    if (!metadata.version.empty() && !padAppVersion(metadata.version, padded))
        refuse(
            "the application version \"%s\" is not one to four numbers of 0 to 65535 "
            "joined by dots; give a version such as 1.2 or 1.2.3.4",
            metadata.version.c_str());
    if (!metadata.identity.empty() && !(problem = identityProblem(metadata.identity)).empty())
        refuse(
            "the manifest identity \"%s\" %s; give ASCII letters, digits, '-' and '_' in "
            "parts joined by dots, such as Vendor.Application",
            metadata.identity.c_str(), problem.c_str());
    if (!isUtf8(metadata.vendor)) refuse("the vendor is not valid UTF-8; give it in UTF-8");
    if (!isUtf8(metadata.copyright)) refuse("the copyright is not valid UTF-8; give it in UTF-8");
}

void applyBranding(ResourceList& resources, const AppMetadata& metadata) {
    checkAppMetadata(metadata);
    std::vector<std::string> pngs;
    if (!metadata.iconPath.empty()) pngs = loadIconImages(metadata.iconPath);
    std::string version;
    if (!metadata.version.empty()) padAppVersion(metadata.version, version);

    bool manifestChanges = !metadata.name.empty() || !metadata.vendor.empty() || !version.empty() ||
                           !metadata.identity.empty();
    bool stringsChange = !metadata.name.empty() || !metadata.vendor.empty() || !version.empty() ||
                         !metadata.copyright.empty();
    if (manifestChanges || stringsChange) {
        VersionStrings strings = carriedStrings(resources);
        if (stringsChange) brandVersionStrings(resources, metadata, version, strings);
        if (manifestChanges) brandManifest(resources, metadata, version, strings);
    }
    if (!pngs.empty()) brandIcons(resources, pngs);
}

Branding readBranding(const ResourceList& resources) {
    Branding branding;
    std::string problem;
    if (const Resource* manifest = findAnyLanguage(resources, kManifestType, kFirstId)) {
        ManifestIdentity identity;
        if (readManifestIdentity(manifest->data, identity, problem)) {
            branding.identity = identity.name;
            branding.manifestVersion = identity.version;
            branding.description = identity.description;
        }
    }
    if (const Resource* version = findAnyLanguage(resources, kVersionType, kFirstId))
        readVersionStrings(version->data, branding.strings);
    if (const Resource* group =
            findAnyLanguage(resources, kGroupType, ResourceName::number(kIconGroupId)))
        readIconGroup(group->data, branding.icons);
    return branding;
}

}  // namespace trellane
