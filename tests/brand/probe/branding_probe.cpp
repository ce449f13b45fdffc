// The branding library from the outside, for the tests: brands a .res file of the launcher's
// resources, signs a launcher or an installer, or reads a signature back. Never shipped.
//
//   branding_probe brand IN.res OUT.res [--name N] [--app-version V] [--vendor V]
//                  [--copyright C] [--icon FILE] [--identity I]
//   branding_probe sign IN OUT [--sign-pkcs12 F] [--sign-password-file F]
//                  [--sign-password-env VAR] [--sign-cert F] [--sign-key F] [--timestamp-url U]
//                  [--sign-timeout SECONDS]
//   branding_probe describe FILE.exe   (the signer, the digest, the key; or "not signed")
#include <cstdio>
#include <cstring>
#include <string>

#include "brand/branding.h"
#include "brand/signature_details.h"
#include "brand/signing.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "exe/launcher_file.h"
#include "probe/res_file.h"

namespace trellane {
namespace {

struct Option {
    const char* name;
    std::string* value;
};

void takeOptions(int argc, char** argv, int first, const Option* options, size_t count) {
    for (int i = first; i < argc; i += 2) {
        const Option* match = nullptr;
        for (size_t k = 0; k < count; ++k)
            if (std::strcmp(argv[i], options[k].name) == 0) match = &options[k];
        if (match == nullptr || i + 1 >= argc)
            refuseUsage("unknown option or no value: %s", argv[i]);
        *match->value = argv[i + 1];
    }
}

int brand(int argc, char** argv) {
    AppMetadata metadata;
    const Option options[] = {
        {"--name", &metadata.name},     {"--app-version", &metadata.version},
        {"--vendor", &metadata.vendor}, {"--copyright", &metadata.copyright},
        {"--icon", &metadata.iconPath}, {"--identity", &metadata.identity},
    };
    takeOptions(argc, argv, 4, options, sizeof options / sizeof *options);
    checkAppMetadata(metadata);
    LauncherFile file = readLauncherFile(argv[2]);
    ResourceList resources;
    if (!readResFile(file.bytes, resources)) refuse("%s is not a .res file", argv[2]);
    applyBranding(resources, metadata);
    file.bytes = writeResFile(resources);
    writeLauncherFile(argv[3], file);
    return 0;
}

int sign(int argc, char** argv) {
    SigningRequest request;
    std::string timeout;
    const Option options[] = {
        {"--sign-timeout", &timeout},
        {"--sign-pkcs12", &request.pkcs12Path},
        {"--sign-password-file", &request.passwordFile},
        {"--sign-password-env", &request.passwordEnv},
        {"--sign-cert", &request.certPath},
        {"--sign-key", &request.keyPath},
        {"--timestamp-url", &request.timestampUrl},
    };
    takeOptions(argc, argv, 4, options, sizeof options / sizeof *options);
    if (!timeout.empty()) request.timeoutSeconds = parseSignTimeout(timeout);
    signExecutable(argv[2], argv[3], request);
    return 0;
}

int describe(const char* path) {
    SignatureDetails details;
    std::string problem;
    bool signedFile = false;
    if (readPeSignatureDetails(readLauncherFile(path).bytes, signedFile, details, problem))
        std::printf("%s\n%s\n%s %d\n", details.signer.c_str(), details.digest.c_str(),
                    details.keyType.c_str(), details.keyBits);
    else if (signedFile)
        refuse("%s %s", path, problem.c_str());
    else
        std::printf("not signed\n");
    return 0;
}

}  // namespace
}  // namespace trellane

int main(int argc, char** argv) {
    using namespace trellane;
    setToolName("branding_probe");
    catchInterruptions();
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "brand" && argc >= 4) return brand(argc, argv);
    if (command == "sign" && argc >= 4) return sign(argc, argv);
    if (command == "describe" && argc == 3) return describe(argv[2]);
    refuseUsage("usage: branding_probe brand|sign|describe ...");
}
