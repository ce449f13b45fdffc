#include "package/request/rpm_options.h"

#include "common/command_line_style.h"
#include "common/refusal.h"

namespace trellane {

void addRpmOptions(CLI::App& command, RpmOptions& options, const char* group) {
    addValueOption(command, "--linux-rpm-license-type", options.licenseType, "LICENSE",
                   "the license's name, such as MIT or ASL 2.0 (default: Unknown)", group);
}

void refuseRpmOptionsWithoutRpm(const CLI::App& command) {
    if (command.count("--linux-rpm-license-type") != 0)
        refuseUsage(
            "--linux-rpm-license-type describes an RPM package: give --type rpm, or leave it "
            "out");
}

}  // namespace trellane
