// trellane-package: builds an app image (the stamped launcher, a Java runtime and the
// application's files) for Windows or Linux, on Linux, or an installer that wraps it.
#include <string>
#include <vector>

#include "common/refusal.h"
#include "common/argument_files.h"
#include "package/command_line.h"
#include "package/image_builder.h"
#include "package/msi_builder.h"
#include "common/interruption.h"

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
