#include "stamp/brand_command.h"

#include "brand/branding.h"
#include "brand/signing.h"
#include "exe/launcher_file.h"
#include "exe/pe_image.h"
#include "stamp/launcher_output.h"
#include "stamp/windows_image.h"

namespace trellane {

void runBrand(const BrandRequest& request) {
    checkAppMetadata(request.metadata);
    checkSigningRequest(request.signing);

    LauncherFile launcher = readLauncherFile(request.input);
    if (isElfFile(launcher.bytes)) refuseBrandingOfElf(request.input);
    uint16_t subsystem = request.metadata.guiSubsystem ? kSubsystemGui : kKeepSubsystem;
    // The key checked and the PIN read before the launcher is edited.
    SigningRequest signing = prepareSigning(request.signing);
    editWindowsImage(launcher.bytes, request.input, request.metadata, subsystem);
    writeLauncherOutput(request.output, launcher,
                        describedSigning(signing, launcher.bytes, request.metadata));
}

}  // namespace trellane
