// trellane-package: builds an app image (the stamped launcher, a Java runtime and the
// application's files) for Windows or Linux, on Linux, or an installer that wraps it.
#include <string>
#include <vector>

#include "common/argument_files.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "package/image/image_builder.h"
#include "package/installers/msi/msi_builder.h"
#include "package/request/command_line.h"

int main(int argc, char** argv) {
    using namespace trellane;
    setToolName("trellane-package");
    catchInterruptions();
    std::vector<std::string> arguments = expandArgumentFiles({argv + 1, argv + argc});
    PackageRequest request = parseCommandLine(arguments);
    if (request.type == PackageType::Msi)
        buildMsi(request);
    else
        buildImage(request);
    return 0;
}
