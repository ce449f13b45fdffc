#pragma once

#include <string>

#include "brand/app_metadata.h"
#include "brand/signing_request.h"

namespace trellane {

struct BrandRequest {
    std::string input;
    std::string output;
    AppMetadata metadata;
    SigningRequest signing;
};

// Brands and/or signs a copy of a Windows launcher, stamped or not, leaving its block as it
// is: re-branding a branded launcher, or signing as a later step on another machine. An
// existing signature goes first (with a note). The subsystem stays as the input has it unless
// the metadata asks for the GUI one. Refuses with nothing written.
void runBrand(const BrandRequest& request);

}  // namespace trellane
