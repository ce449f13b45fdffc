#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/error_box.h"
#include "platform/platform.h"
#include "startup/startup_environment.h"

namespace trellane::platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(WideChar), "Windows wide text is UTF-16");
static_assert(sizeof(GUID) == sizeof(KnownFolderId), "a known folder id is a GUID");

const wchar_t* wide(const WideChar* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

constexpr DWORD kEnableVirtualTerminalProcessing = 0x4;

// UTF-8 both ways, and escape sequences on the output. With no console, or the output
// redirected, the calls fail or change nothing, which is as it should be.
void setUpConsole() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode))
        SetConsoleMode(output, mode | kEnableVirtualTerminalProcessing);
}

uint32_t getKnownFolderPath(const KnownFolderId& folder, uint32_t flags, WideChar** path) {
    GUID id;
    std::memcpy(&id, &folder, sizeof id);
    PWSTR found = nullptr;
    HRESULT result = SHGetKnownFolderPath(id, flags, nullptr, &found);
    *path = reinterpret_cast<WideChar*>(found);
    return static_cast<uint32_t>(result);
}

void freePath(WideChar* path) {
    CoTaskMemFree(path);
}

void setWideEnv(const WideChar* name, const WideChar* value) {
    _wputenv_s(wide(name), wide(value));
}

void outputDebugWide(const WideChar* text) {
    OutputDebugStringW(wide(text));
}

void outputDebugNarrow(const char* text) {
    OutputDebugStringA(text);
}

const char* getEnv(const char* name) {
    return std::getenv(name);
}

void putEnv(const char* assignment) {
    _putenv(assignment);
}

}  // namespace

void prepareStartupEnvironment(const LaunchConfig& config) {
    const StartupPrimitives primitives{
        setUpConsole,
        {getKnownFolderPath, freePath, setWideEnv, outputDebugWide, outputDebugNarrow, showErrorBox,
         stderr},
        getEnv,
        putEnv,
    };
    trellane::prepareStartupEnvironment(config, primitives);
}

}  // namespace trellane::platform
