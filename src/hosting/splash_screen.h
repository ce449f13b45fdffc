#pragma once

#include <string>

#include "hosting/file_reader.h"

namespace trellane {

// The exports of the Java runtime's splash-screen library (lib/libsplashscreen.so,
// bin\splashscreen.dll, which come with java.desktop) that show a splash before the JVM
// exists. The JVM's java.awt.SplashScreen then finds the splash in the same library.
struct SplashLibrary {
    void (*init)();                           // SplashInit
    int (*loadFile)(const char* path);        // SplashLoadFile: 0 when it cannot
    int (*loadMemory)(void* data, int size);  // SplashLoadMemory: 0 when it cannot
    void (*setFileJarName)(const char* file, const char* jar);  // SplashSetFileJarName
    // The scaled image for the screen's scale (a high-resolution screen: "splash@2x.png"
    // beside "splash.png"), from Java 9 on; null when the library has none.
    int (*scaledNameMaxPostfix)(const char* file);  // SplashGetScaledImgNameMaxPstfixLen
    // SplashGetScaledImageName: true, the name and the scale when there is a scaled image
    // for this screen (in the jar, when jar is not null).
    unsigned char (*scaledImageName)(const char* jar, const char* file, float* scale,
                                     char* scaledName, size_t scaledNameSize);
    void (*setScaleFactor)(float scale);  // SplashSetScaleFactor
};

struct SplashPrimitives {
    // The library's path below the install root, with the platform's separators.
    const char* libraryPath;
    // Loads the library at path (after the JVM's, which it needs) and fills library; false
    // when it is missing, cannot be loaded or lacks an export.
    bool (*loadLibrary)(const char* path, SplashLibrary* library);
    FileReader files;
};

// An image in a jar larger than this is not a splash screen.
constexpr size_t kMaxSplashImageSize = 64u << 20;

// Shows the image of an expanded "-splash:" option (a file, "jar:JAR!/ENTRY", or "jar:JAR" for
// the entry its manifest's SplashScreen-Image names) through the runtime's library under
// installRoot, as the java command does for -splash: and for a jar's SplashScreen-Image. Anything
// missing or broken (the library, the image, the jar entry, a display) means no splash, silently:
// the launch goes on as it would without one.
void showSplashScreen(const std::string& option, const std::string& installRoot, char dirSeparator,
                      const SplashPrimitives& primitives);

}  // namespace trellane
