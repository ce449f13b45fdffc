#include "stamp/write_command.h"

#include <cstdio>

#include "brand/branding.h"
#include "brand/signing.h"
#include "common/offset_list.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "config/block_format.h"
#include "config/block_writer.h"
#include "exe/area_locator.h"
#include "exe/launcher_file.h"
#include "exe/pe_image.h"
#include "stamp/launcher_output.h"
#include "stamp/windows_image.h"

namespace trellane {

namespace {

size_t locateUnstampedArea(const std::string& path, const std::string& bytes) {
    std::vector<UnstampedArea> areas = findUnstampedAreas(bytes);
    if (areas.size() > 1) {
        std::vector<size_t> offsets;
        for (const UnstampedArea& area : areas) offsets.push_back(area.offset);
        refuse(
            "%s holds %zu unstamped configuration areas (file offsets %s); a launcher holds "
            "one",
            shownName(path).c_str(), areas.size(), listOffsets(offsets).c_str());
    }
    // Checked even beside an unstamped area: one appended to a stamped launcher is no reason
    // to stamp it again.
    if (findStampedPlaces(bytes, areas).count > 0)
        refuse("%s is already stamped; stamp an unstamped launcher instead",
               shownName(path).c_str());
    if (areas.empty())
        refuse(
            "%s is not an unstamped launcher: it holds no configuration area (16463 "
            "underscores, then a NUL byte)",
            shownName(path).c_str());
    // The area is the last 16,463 underscores of the run. Were the rest of the run an area's
    // worth too, the stamped copy would still hold an unstamped area in front of the block.
    const UnstampedArea& area = areas.front();
    if (area.underscores >= 2 * (kConfigAreaSize - 1))
        refuse(
            "%s holds %zu underscores before the NUL byte at file offset %zu, two "
            "configuration areas' worth or more; stamp a launcher as built, whose area is "
            "16463 underscores and a NUL",
            shownName(path).c_str(), area.underscores, area.offset + kConfigAreaSize - 1);
    return area.offset;
}

// The launcher's own parser must read back exactly this block from the stamped bytes.
void checkReadsBack(const std::string& stamped, size_t offset, const std::string& block) {
    StampedArea area;
    std::string again, problem;
    if (!readStampedArea(stamped, offset, area) || !writeBlock(area.config, again, problem) ||
        again != block)
        refuse("cannot stamp: the block does not read back as written");
}

// show finds the area by its contents; a block that (nearly) fills the area leaves too
// little of it to be told apart from look-alikes, so say where it is.
void noteIfShowNeedsTheOffset(const std::string& stamped, size_t offset,
                              const std::string& output) {
    StampedPlaces found = findStampedPlaces(stamped, findUnstampedAreas(stamped));
    if (found.count == 1 && found.offsets.front() == offset) return;
    notice("note: ",
           "the block fills the configuration area, so show cannot find it by "
           "itself; use: trellane-stamp show --offset %zu %s",
           offset, shownName(output).c_str());
}

bool readsAsPeImage(const std::string& bytes) {
    PeImage image;
    std::string problem;
    return readPeImage(bytes, image, problem);
}

// A console application gets the console subsystem, so that a terminal waits for it and
// hands it its standard handles; a GUI-subsystem program started from one has neither.
uint16_t subsystemFor(const WriteRequest& request) {
    return request.config.isConsoleApp && !request.metadata.guiSubsystem ? kSubsystemConsole
                                                                         : kSubsystemGui;
}

}  // namespace

void runWrite(const WriteRequest& request) {
    // The format holds an empty name, but no launcher could start the application then.
    if (request.config.mainClassName.empty())
        refuse(
            "cannot stamp: the main class name is empty; name the application's main "
            "class, e.g. com.example.Main");
    std::string block, problem;
    if (!writeBlock(request.config, block, problem)) refuse("cannot stamp: %s", problem.c_str());
    checkAppMetadata(request.metadata);
    checkSigningRequest(request.signing);
    bool branding = wantsBranding(request.metadata) || wantsSignature(request.signing);

    LauncherFile launcher = readLauncherFile(request.input);
    size_t offset = locateUnstampedArea(request.input, launcher.bytes);
    if (branding && isElfFile(launcher.bytes)) refuseBrandingOfElf(request.input);
    SigningRequest signing = prepareSigning(request.signing);
    // The block's own bytes: the underscores after it and the area's final NUL stay as built.
    launcher.bytes.replace(offset, block.size(), block);
    // A Windows launcher also gets its subsystem and a checksum that covers the block; other
    // files that hold an area (the Linux launcher) take the block alone.
    if (branding || (!isElfFile(launcher.bytes) && readsAsPeImage(launcher.bytes)))
        editWindowsImage(launcher.bytes, request.input, request.metadata, subsystemFor(request));
    checkReadsBack(launcher.bytes, offset, block);
    writeLauncherOutput(request.output, launcher,
                        describedSigning(signing, launcher.bytes, request.metadata));
    noteIfShowNeedsTheOffset(launcher.bytes, offset, request.output);
}

}  // namespace trellane
