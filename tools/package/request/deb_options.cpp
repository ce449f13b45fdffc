#include "package/request/deb_options.h"

#include "common/command_line_style.h"
#include "common/refusal.h"

namespace trellane {

void addDebOptions(CLI::App& command, DebOptions& options, const char* group) {
    addValueOption(command, "--linux-deb-maintainer", options.maintainer, "EMAIL",
                   "(required) the maintainer's e-mail address", group);
}

void refuseDebOptionsWithoutDeb(const CLI::App& command) {
    if (command.count("--linux-deb-maintainer") != 0)
        refuseUsage(
            "--linux-deb-maintainer describes a Debian package: give --type deb, or leave it "
            "out");
}

}  // namespace trellane
