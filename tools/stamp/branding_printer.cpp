#include "stamp/branding_printer.h"

#include "brand/branding.h"
#include "brand/child_process.h"
#include "brand/signing.h"
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

// Who signed the file. osslsigncode reads the signature; a file without a certificate table
// needs no tool to say it is not signed.
std::string describeSigner(const PeImage& headers, const std::string& path) {
    if (!headers.directory(kDirectoryCertificate).present()) return "not signed";
    if (findProgram("osslsigncode").empty())
        return "signed (to see by whom: apt-get install osslsigncode)";
    std::string subject = describeSignature(path);
    if (subject.empty()) return "a certificate table osslsigncode cannot read";
    return "signed by " + quoteText(subject);
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

void printWindowsImage(std::FILE* out, const std::string& image, const std::string& path) {
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
    printShowLine(out, "signature", describeSigner(headers, path));
}

}  // namespace trellane
