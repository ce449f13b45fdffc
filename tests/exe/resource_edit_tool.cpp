// A test-only command that runs the image edits on a file, so the Python tests can check the
// results with readers that are not ours (pefile, wrestool, Wine):
//
//   exe_edit IN OUT [--put TYPE NAME LANGUAGE DATAFILE]... [--remove TYPE NAME]...
//                   [--subsystem N]
//
// TYPE and NAME are numbers, or else names. The resources are always rewritten, so with no
// edit the output is IN read and written back. A signed input loses its signature.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/refusal.h"
#include "exe/image_edits.h"
#include "exe/launcher_file.h"

using namespace trellane;

namespace {

ResourceName nameOf(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
        return ResourceName::number(static_cast<uint16_t>(std::stoul(text)));
    return ResourceName{0, std::u16string(text.begin(), text.end())};
}

}  // namespace

int main(int argc, char** argv) {
    setToolName("exe_edit");
    if (argc < 3) refuseUsage("exe_edit IN OUT [edits]");
    std::string input = argv[1];
    LauncherFile file = readLauncherFile(input);
    removeSignatureNoting(file.bytes, input);
    ResourceList resources = readResourcesOrRefuse(file.bytes, input);
    int subsystem = -1;
    for (int i = 3; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--put" && i + 4 < argc) {
            Resource resource{nameOf(argv[i + 1]), nameOf(argv[i + 2]),
                              static_cast<uint16_t>(std::stoul(argv[i + 3], nullptr, 0)), 0,
                              readLauncherFile(argv[i + 4]).bytes};
            putResource(resources, std::move(resource));
            i += 4;
        } else if (option == "--remove" && i + 2 < argc) {
            removeResources(resources, nameOf(argv[i + 1]), nameOf(argv[i + 2]));
            i += 2;
        } else if (option == "--subsystem" && i + 1 < argc) {
            subsystem = std::atoi(argv[++i]);
        } else {
            refuseUsage("unknown edit '%s'", option.c_str());
        }
    }
    replaceResourcesOrRefuse(file.bytes, resources, input);
    if (subsystem >= 0) setSubsystemOrRefuse(file.bytes, static_cast<uint16_t>(subsystem), input);
    writeChecksumOrRefuse(file.bytes, input);
    writeLauncherFile(argv[2], file);
    return 0;
}
