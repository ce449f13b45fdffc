#include "hosting/splash_screen.h"

#include "hosting/jar_entry.h"
#include "hosting/jar_manifest.h"
#include "options/splash_option.h"

namespace trellane {

namespace {

constexpr char kManifestEntry[] = "META-INF/MANIFEST.MF";
constexpr size_t kMaxManifestSize = 1u << 20;

bool canOpen(const std::string& path, const FileReader& files) {
    void* file = files.open(path.c_str());
    if (file == nullptr) return false;
    files.close(file);
    return true;
}

bool loadLibrary(const std::string& installRoot, char dirSeparator,
                 const SplashPrimitives& primitives, SplashLibrary& library) {
    std::string path = installRoot + dirSeparator + primitives.libraryPath;
    return primitives.loadLibrary(path.c_str(), &library);
}

}  // namespace

void showSplashScreen(const std::string& option, const std::string& installRoot, char dirSeparator,
                      const SplashPrimitives& primitives) {
    // The image first: without one there is no reason to load the library.
    SplashImage image = parseSplashImage(option);
    SplashLibrary library{};
    if (!image.inJar) {
        if (image.file.empty() || !canOpen(image.file, primitives.files) ||
            !loadLibrary(installRoot, dirSeparator, primitives, library))
            return;
        library.init();
        if (library.loadFile(image.file.c_str()))
            library.setFileJarName(image.file.c_str(), nullptr);
        return;
    }
    // The library may keep reading the image after SplashLoadMemory returns, so it lives
    // until the process ends; it is never freed.
    static std::string* bytes = new std::string;
    if (image.entry.empty()) {
        if (!readJarEntry(image.file.c_str(), kManifestEntry, primitives.files, kMaxManifestSize,
                          *bytes))
            return;
        image.entry = mainAttribute(*bytes, "SplashScreen-Image");
        if (image.entry.empty()) return;
    }
    if (!readJarEntry(image.file.c_str(), image.entry, primitives.files, kMaxSplashImageSize,
                      *bytes) ||
        bytes->empty() || !loadLibrary(installRoot, dirSeparator, primitives, library))
        return;
    library.init();
    if (library.loadMemory(&(*bytes)[0], static_cast<int>(bytes->size())))
        library.setFileJarName(image.entry.c_str(), image.file.c_str());
}

}  // namespace trellane
