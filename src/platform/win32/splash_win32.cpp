// The runtime's splash-screen library and file reading, on Windows. Narrow paths are UTF-8,
// the process's code page by the launcher's manifest.
#include <windows.h>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

template <typename Function>
bool resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// The library needs jvm.dll, which the loader brought in before the launcher ran. It stays
// loaded: the JVM's System.loadLibrary("splashscreen") gets this same module, and with it the
// splash shown here.
bool loadSplashLibrary(const char* path, SplashLibrary* library) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) return false;
    if (!resolve(module, "SplashInit", library->init) ||
        !resolve(module, "SplashLoadFile", library->loadFile) ||
        !resolve(module, "SplashLoadMemory", library->loadMemory) ||
        !resolve(module, "SplashSetFileJarName", library->setFileJarName))
        return false;
    // Scaled images came with Java 9; an older library leaves these null, and the image is
    // shown as it is.
    resolve(module, "SplashGetScaledImgNameMaxPstfixLen", library->scaledNameMaxPostfix);
    resolve(module, "SplashGetScaledImageName", library->scaledImageName);
    resolve(module, "SplashSetScaleFactor", library->setScaleFactor);
    return true;
}

void* openFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

int64_t fileSize(void* file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? static_cast<int64_t>(size.QuadPart) : -1;
}

bool readFile(void* file, uint64_t offset, void* buffer, size_t size) {
    char* into = static_cast<char*>(buffer);
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD got = 0;
        if (!ReadFile(file, into, chunk, &got, &at) || got == 0) return false;
        into += got;
        offset += got;
        size -= got;
    }
    return true;
}

void closeFile(void* file) {
    CloseHandle(file);
}

const SplashPrimitives kSplash{
    "bin\\splashscreen.dll", loadSplashLibrary, {openFile, fileSize, readFile, closeFile}};

}  // namespace

const SplashPrimitives& splashPrimitives() {
    return kSplash;
}

}  // namespace trellane::platform
