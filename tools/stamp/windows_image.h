// What write and brand make of a Windows launcher's image besides its block: the branded
// resources, the subsystem and the header checksum. The Linux launcher (ELF) takes none of it.
#pragma once

#include <cstdint>
#include <string>

#include "brand/app_metadata.h"
#include "brand/signing_request.h"

namespace trellane {

// Whether the file is an ELF executable: the Linux launcher.
bool isElfFile(const std::string& bytes);

// Whether the metadata asks for anything: a field given, or the GUI subsystem kept.
bool wantsBranding(const AppMetadata& metadata);

// Refuses branding or signing asked of the Linux launcher at path.
void refuseBrandingOfElf(const std::string& path);

// The subsystem editWindowsImage leaves as the image has it.
constexpr uint16_t kKeepSubsystem = 0;

// Edits a Windows launcher's image in the order the signature and the checksum need: an old
// signature goes (noted on stderr), the resources take the metadata when it gives anything,
// the subsystem is set (unless kKeepSubsystem), and the checksum is written last. Refuses,
// naming path, an image it cannot edit; nothing is written then.
void editWindowsImage(std::string& image, const std::string& path, const AppMetadata& metadata,
                      uint16_t subsystem);

// The signing request with its description when it asks for a signature: the display name
// given, or else the one the image carries in its version strings (so signing as a later step
// names the program too).
SigningRequest describedSigning(SigningRequest signing, const std::string& image,
                                const AppMetadata& metadata);

}  // namespace trellane
