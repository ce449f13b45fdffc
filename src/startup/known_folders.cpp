#include "startup/known_folders.h"

namespace trellane {

bool knownFolderErrorShown = false;

namespace {

void reportMissingRedirection(const WideChar* variableName,
                              const KnownFolderPrimitives& primitives) {
    WideString text = u"Could not find redirected ";
    text += variableName;
    text += u". Virtualization might be off for that folder, ignoring.\n";
    primitives.outputDebugWide(text.c_str());
}

void reportLookupFailure(uint32_t result, const KnownFolderPrimitives& primitives) {
    if (knownFolderErrorShown) return;
    knownFolderErrorShown = true;
    char text[100];
    std::snprintf(text, sizeof text, "Error 0x%x", static_cast<unsigned>(result));
    primitives.outputDebugNarrow(text);
    std::fprintf(primitives.errorStream, "%s\r\n", text);
    primitives.showErrorBox(kKnownFolderErrorCaption, text);
}

}  // namespace

bool setKnownFolderVariable(const KnownFolderId& folder, const WideChar* variableName,
                            bool redirected, const KnownFolderPrimitives& primitives) {
    const uint32_t flags =
        redirected ? kFlagReturnFilterRedirectionTarget : kFlagNoPackageRedirection;
    WideChar* path = nullptr;
    const uint32_t result = primitives.getKnownFolderPath(folder, flags, &path);
    switch (result) {
        case kLookupOk:
            primitives.setWideEnv(variableName, path);
            break;
        case kLookupFileNotFound:
            reportMissingRedirection(variableName, primitives);
            break;
        case kLookupPathNotFound:
            break;
        default:
            reportLookupFailure(result, primitives);
            break;
    }
    primitives.freePath(path);
    return result == kLookupOk;
}

}  // namespace trellane
