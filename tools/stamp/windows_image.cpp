#include "stamp/windows_image.h"

#include "brand/branding.h"
#include "brand/signing.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "exe/image_edits.h"
#include "exe/pe_image.h"
#include "exe/resource_tree_reader.h"

namespace trellane {

namespace {

bool changesResources(const AppMetadata& metadata) {
    return !metadata.name.empty() || !metadata.version.empty() || !metadata.vendor.empty() ||
           !metadata.copyright.empty() || !metadata.iconPath.empty() || !metadata.identity.empty();
}

// The image's resources (when needed), or a refusal that says what the edits take.
ResourceList readLauncherResources(const std::string& image, const std::string& path,
                                   bool resourcesNeeded) {
    PeImage headers;
    ResourceList resources;
    std::string problem;
    if (!readPeImage(image, headers, problem) ||
        (resourcesNeeded && !readResources(image, headers, resources, problem)))
        refuse(
            "%s %s; branding and signing take a Windows launcher: launcher.exe as built, "
            "stamped or not",
            shownName(path).c_str(), problem.c_str());
    return resources;
}

}  // namespace

bool isElfFile(const std::string& bytes) {
    return bytes.compare(0, 4,
                         "\x7F"
                         "ELF") == 0;
}

bool wantsBranding(const AppMetadata& metadata) {
    return changesResources(metadata) || metadata.guiSubsystem;
}

void refuseBrandingOfElf(const std::string& path) {
    refuse(
        "%s is a Linux launcher (ELF): the branding and signing options (--name, "
        "--app-version, --vendor, --copyright, --icon, --identity, --gui-subsystem, --sign-*, "
        "--timestamp-url) are for Windows launchers; leave them out",
        shownName(path).c_str());
}

void editWindowsImage(std::string& image, const std::string& path, const AppMetadata& metadata,
                      uint16_t subsystem) {
    bool branded = changesResources(metadata);
    ResourceList resources = readLauncherResources(image, path, branded);
    removeSignatureNoting(image, path);
    if (branded) {
        applyBranding(resources, metadata);
        replaceResourcesOrRefuse(image, resources, path);
    }
    if (subsystem != kKeepSubsystem) setSubsystemOrRefuse(image, subsystem, path);
    writeChecksumOrRefuse(image, path);
}

SigningRequest describedSigning(SigningRequest signing, const std::string& image,
                                const AppMetadata& metadata) {
    if (!wantsSignature(signing)) return signing;
    signing.description = metadata.name;
    PeImage headers;
    ResourceList resources;
    std::string problem;
    if (signing.description.empty() && readPeImage(image, headers, problem) &&
        readResources(image, headers, resources, problem))
        signing.description = readBranding(resources).strings.productName;
    return signing;
}

}  // namespace trellane
