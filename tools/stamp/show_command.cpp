#include "stamp/show_command.h"

#include <cstdio>

#include "common/offset_list.h"
#include "common/refusal.h"
#include "common/shown_text.h"
#include "exe/area_locator.h"
#include "exe/launcher_file.h"
#include "stamp/branding_printer.h"
#include "stamp/config_printer.h"

namespace trellane {

namespace {

StampedArea locate(const std::string& path, const std::string& bytes) {
    std::vector<UnstampedArea> unstamped = findUnstampedAreas(bytes);
    StampedPlaces places = findStampedPlaces(bytes, unstamped);
    if (places.count == 0 && !unstamped.empty())
        refuse("%s is not stamped: its configuration area holds only underscores",
               shownName(path).c_str());
    if (places.count == 0)
        refuse("%s holds no configuration area: it is not a trellane launcher",
               shownName(path).c_str());
    if (places.count > 1) {
        std::string offsets = listOffsets(places.offsets);
        if (places.count > places.offsets.size()) offsets += ", ...";
        refuse(
            "%s: the block fills its configuration area, and %zu places read as it (file "
            "offsets %s); give the one write reported with --offset",
            shownName(path).c_str(), places.count, offsets.c_str());
    }
    StampedArea area;
    if (!readStampedArea(bytes, places.offsets.front(), area))
        refuse("%s: the area at file offset %zu does not read back", shownName(path).c_str(),
               places.offsets.front());
    return area;
}

}  // namespace

void runShow(const ShowRequest& request) {
    const std::string& path = request.path;
    LauncherFile launcher = readLauncherFile(path);
    StampedArea area;
    if (!request.offsetGiven) {
        area = locate(path, launcher.bytes);
    } else if (!readStampedArea(launcher.bytes, request.offset, area)) {
        refuse("%s holds no stamped configuration area at file offset %zu", shownName(path).c_str(),
               request.offset);
    }
    printStampedArea(stdout, area, static_cast<unsigned char>(launcher.bytes[area.offset]));
    printWindowsImage(stdout, launcher.bytes);
}

}  // namespace trellane
