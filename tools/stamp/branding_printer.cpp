#include "stamp/branding_printer.h"

#include "brand/branding.h"
#include "brand/signature_details.h"
#include "exe/pe_image.h"
#include "exe/resource_tree_reader.h"
#include "stamp/config_printer.h"

namespace trellane {

namespace {

std::string describeSubsystem(uint16_t subsystem) {
    if (subsystem == kSubsystemGui) return "GUI (2)";
    if (subsystem == kSubsystemConsole) return "console (3)";
    return std::to_string(subsystem);
}

std::string describeIcons(const std::vector<IconGroupEntry>& icons) {
    if (icons.empty()) return "none";
    std::string sizes;
    for (const IconGroupEntry& icon : icons) {
        if (!sizes.empty()) sizes += ", ";
        sizes += std::to_string(icon.width);
        if (icon.height != icon.width) sizes += "x" + std::to_string(icon.height);
    }
    return sizes + " pixels";
}

// Who signed the file, read from its certificate table: no tool needed.
std::string describeSigner(const std::string& image) {
    SignatureDetails details;
    std::string problem;
    bool signedFile = false;
    if (readPeSignatureDetails(image, signedFile, details, problem))
        return "signed by " + quoteText(details.signer) + ", " + details.digest + ", " +
               details.keyType + " key of " + std::to_string(details.keyBits) + " bits";
    return signedFile ? "unreadable: the file " + problem : "not signed";
}

void printBranding(std::FILE* out, const Branding& branding) {
    printShowLine(out, "manifest identity", quoteText(branding.identity));
    printShowLine(out, "manifest version", quoteText(branding.manifestVersion));
    printShowLine(out, "manifest description", quoteText(branding.description));
    const VersionStrings& strings = branding.strings;
    const std::pair<const char*, const std::string*> lines[] = {
        {"ProductName", &strings.productName},
        {"FileDescription", &strings.fileDescription},
        {"CompanyName", &strings.companyName},
        {"FileVersion", &strings.fileVersion},
        {"ProductVersion", &strings.productVersion},
        {"LegalCopyright", &strings.legalCopyright},
        {"InternalName", &strings.internalName},
        {"OriginalFileName", &strings.originalFileName},
    };
    std::fprintf(out, "version strings:\n");
    for (const auto& [key, value] : lines) printShowItem(out, key, quoteText(*value));
    printShowLine(out, "icons", describeIcons(branding.icons));
}

}  // namespace

void printWindowsImage(std::FILE* out, const std::string& image) {
    PeImage headers;
    ResourceList resources;
    std::string problem;
    if (!readPeImage(image, headers, problem)) return;
    printShowLine(out, "subsystem", describeSubsystem(headers.subsystem));
    if (readResources(image, headers, resources, problem)) {
        printBranding(out, readBranding(resources));
    } else {
        printShowLine(out, "resources", "none: the file " + problem);
    }
    printShowLine(out, "signature", describeSigner(image));
}

}  // namespace trellane
