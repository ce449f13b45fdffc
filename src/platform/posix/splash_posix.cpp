// The runtime's splash-screen library and file reading, on Linux.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

template <typename Function>
bool resolve(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

// The library needs libjvm.so, which the loader brought in before the launcher ran, and finds
// libjava.so beside itself. It stays loaded: the JVM's System.loadLibrary("splashscreen")
// gets this same copy, and with it the splash shown here.
bool loadSplashLibrary(const char* path, SplashLibrary* library) {
    void* handle = dlopen(path, RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) return false;
    if (!resolve(handle, "SplashInit", library->init) ||
        !resolve(handle, "SplashLoadFile", library->loadFile) ||
        !resolve(handle, "SplashLoadMemory", library->loadMemory) ||
        !resolve(handle, "SplashSetFileJarName", library->setFileJarName))
        return false;
    // Scaled images came with Java 9; an older library leaves these null, and the image is
    // shown as it is.
    resolve(handle, "SplashGetScaledImgNameMaxPstfixLen", library->scaledNameMaxPostfix);
    resolve(handle, "SplashGetScaledImageName", library->scaledImageName);
    resolve(handle, "SplashSetScaleFactor", library->setScaleFactor);
    return true;
}

void* openFile(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
}

int descriptor(void* file) {
    return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1);
}

int64_t fileSize(void* file) {
    struct stat status;
    return fstat(descriptor(file), &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

bool readFile(void* file, uint64_t offset, void* buffer, size_t size) {
    char* into = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = pread(descriptor(file), into, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        into += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

void closeFile(void* file) {
    close(descriptor(file));
}

const SplashPrimitives kSplash{
    "lib/libsplashscreen.so", loadSplashLibrary, {openFile, fileSize, readFile, closeFile}};

}  // namespace

const SplashPrimitives& splashPrimitives() {
    return kSplash;
}

}  // namespace trellane::platform
