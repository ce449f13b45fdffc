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

// The name of the image made for this screen's scale (as the java command picks it), or ""
// when there is none or the library cannot tell.
std::string scaledImageName(const SplashLibrary& library, const char* jar, const std::string& file,
                            float& scale) {
    if (library.scaledNameMaxPostfix == nullptr || library.scaledImageName == nullptr ||
        library.setScaleFactor == nullptr)
        return "";
    int postfix = library.scaledNameMaxPostfix(file.c_str());
    if (postfix < 0) return "";
    std::string name(file.size() + static_cast<size_t>(postfix) + 1, '\0');
    if (!library.scaledImageName(jar, file.c_str(), &scale, &name[0], name.size())) return "";
    size_t end = name.find('\0');
    if (end == std::string::npos) return "";
    name.resize(end);
    return name;
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
        float scale = 1;
        std::string scaled = scaledImageName(library, nullptr, image.file, scale);
        bool isScaled = !scaled.empty() && canOpen(scaled, primitives.files);
        if (isScaled) library.setScaleFactor(scale);
        if (library.loadFile(isScaled ? scaled.c_str() : image.file.c_str()))
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
    float scale = 1;
    std::string scaled = scaledImageName(library, image.file.c_str(), image.entry, scale);
    std::string scaledBytes;
    bool isScaled = !scaled.empty() &&
                    readJarEntry(image.file.c_str(), scaled, primitives.files, kMaxSplashImageSize,
                                 scaledBytes) &&
                    !scaledBytes.empty();
    if (isScaled) bytes->swap(scaledBytes);
    if (isScaled) library.setScaleFactor(scale);
    if (library.loadMemory(&(*bytes)[0], static_cast<int>(bytes->size())))
        library.setFileJarName(image.entry.c_str(), image.file.c_str());
}

}  // namespace trellane
