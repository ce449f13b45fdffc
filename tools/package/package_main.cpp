// trellane-package: builds an app image (the stamped launcher, a Java runtime and the
// application's files) for Windows or Linux, on Linux, or an installer that wraps it. Reads
// the command line and runs the pipeline (package/pipeline).
#include <string>
#include <vector>

#include "common/argument_files.h"
#include "common/interruption.h"
#include "common/refusal.h"
#include "package/pipeline.h"
#include "package/request/command_line.h"

int main(int argc, char** argv) {
    using namespace trellane;
    setToolName("trellane-package");
    catchInterruptions();
    std::vector<std::string> arguments = expandArgumentFiles({argv + 1, argv + argc});
    runPipeline(parseCommandLine(arguments));
    return 0;
}
