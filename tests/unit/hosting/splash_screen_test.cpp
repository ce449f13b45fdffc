#include "hosting/splash_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "jar_file_fixture.h"
#include "platform/platform.h"

namespace trellane {
namespace {

// What the launcher asked of the splash library, in order.
std::vector<std::string> calls;
bool libraryPresent;
int loadResult;

std::string text(const char* value) {
    return value == nullptr ? "(null)" : value;
}

void fakeInit() {
    calls.push_back("init");
}
int fakeLoadFile(const char* path) {
    calls.push_back("loadFile " + text(path));
    return loadResult;
}
int fakeLoadMemory(void* data, int size) {
    calls.push_back("loadMemory " + std::string(static_cast<const char*>(data), size));
    return loadResult;
}
void fakeSetFileJarName(const char* file, const char* jar) {
    calls.push_back("setFileJarName " + text(file) + " " + text(jar));
}

// A screen of scale 2 when set, where the library names NAME@2x.EXT.
bool screenScaled;
int fakeMaxPostfix(const char*) {
    return 8;
}
unsigned char fakeScaledImageName(const char* jar, const char* file, float* scale, char* name,
                                  size_t size) {
    calls.push_back("scaledImageName " + text(jar) + " " + text(file));
    if (!screenScaled) return 0;
    std::string scaled = file;
    scaled.insert(scaled.rfind('.'), "@2x");
    EXPECT_LT(scaled.size(), size);
    scaled.copy(name, size);
    name[scaled.size()] = 0;
    *scale = 2;
    return 1;
}
void fakeSetScaleFactor(float scale) {
    calls.push_back("setScaleFactor " + std::to_string(static_cast<int>(scale)));
}

bool fakeLoadLibrary(const char* path, SplashLibrary* library) {
    calls.push_back("load " + text(path));
    if (!libraryPresent) return false;
    // A library as old as Java 8's has no scaled images.
    *library = SplashLibrary{fakeInit, fakeLoadFile, fakeLoadMemory, fakeSetFileJarName,
                             nullptr,  nullptr,      nullptr};
    if (screenScaled) {
        library->scaledNameMaxPostfix = fakeMaxPostfix;
        library->scaledImageName = fakeScaledImageName;
        library->setScaleFactor = fakeSetScaleFactor;
    }
    return true;
}

class ShowSplashScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        libraryPresent = true;
        loadResult = 1;
        screenScaled = false;
        image = ::testing::TempDir() + "splash.png";
        std::ofstream(image, std::ios::binary) << "\x89PNG not really";
        jar = writeJar("splash.jar", {{"META-INF/MANIFEST.MF",
                                       "Manifest-Version: 1.0\r\nSplashScreen-Image: "
                                       "images/s.png\r\n",
                                       true},
                                      {"images/s.png", std::string(4000, 'p'), true},
                                      {"stored.png", "stored image", false}});
    }

    std::vector<std::string> show(const std::string& option) {
        SplashPrimitives primitives{"lib/libsplashscreen.so", fakeLoadLibrary,
                                    platform::splashPrimitives().files};
        showSplashScreen(option, "/opt/app", '/', primitives);
        return calls;
    }

    std::string image, jar;
};

TEST_F(ShowSplashScreen, AFileGoesToTheLibraryAsTheJavaCommandHandsIt) {
    EXPECT_EQ(
        show("-splash:" + image),
        (std::vector<std::string>{"load /opt/app/lib/libsplashscreen.so", "init",
                                  "loadFile " + image, "setFileJarName " + image + " (null)"}));
}

TEST_F(ShowSplashScreen, AJarEntryGoesToTheLibraryFromMemory) {
    EXPECT_EQ(show("-splash:jar:" + jar + "!/images/s.png"),
              (std::vector<std::string>{"load /opt/app/lib/libsplashscreen.so", "init",
                                        "loadMemory " + std::string(4000, 'p'),
                                        "setFileJarName images/s.png " + jar}));
    calls.clear();
    EXPECT_EQ(show("-splash:jar:" + jar + "!/stored.png")[2], "loadMemory stored image");
    // The entry the manifest names, as java -jar shows it.
    calls.clear();
    EXPECT_EQ(show("-splash:jar:" + jar),
              (std::vector<std::string>{"load /opt/app/lib/libsplashscreen.so", "init",
                                        "loadMemory " + std::string(4000, 'p'),
                                        "setFileJarName images/s.png " + jar}));
}

// On a screen of scale 2, the image made for it when there is one, as the java command shows
// it; the application still sees the image's own name.
TEST_F(ShowSplashScreen, AScaledImageForAScaledScreen) {
    screenScaled = true;
    std::string scaled = ::testing::TempDir() + "splash@2x.png";
    std::ofstream(scaled, std::ios::binary) << "\x89PNG twice the size";
    const std::string kLoad = "load /opt/app/lib/libsplashscreen.so";
    EXPECT_EQ(show("-splash:" + image),
              (std::vector<std::string>{kLoad, "init", "scaledImageName (null) " + image,
                                        "setScaleFactor 2", "loadFile " + scaled,
                                        "setFileJarName " + image + " (null)"}));
    std::remove(scaled.c_str());
    calls.clear();
    EXPECT_EQ(show("-splash:" + image)[3], "loadFile " + image);

    std::string jar2x =
        writeJar("scaled.jar", {{"s.png", "plain", true}, {"s@2x.png", "twice the size", true}});
    calls.clear();
    EXPECT_EQ(show("-splash:jar:" + jar2x + "!/s.png"),
              (std::vector<std::string>{kLoad, "init", "scaledImageName " + jar2x + " s.png",
                                        "setScaleFactor 2", "loadMemory twice the size",
                                        "setFileJarName s.png " + jar2x}));
    calls.clear();
    EXPECT_EQ(show("-splash:jar:" + jar + "!/stored.png")[3], "loadMemory stored image");
}

// No splash, and nothing more: the launch goes on as without one.
TEST_F(ShowSplashScreen, WhatIsMissingOrBrokenMeansNoSplash) {
    const std::string kLoad = "load /opt/app/lib/libsplashscreen.so";
    const struct {
        std::string option;
        bool library;
        int loads;
        std::vector<std::string> calls;
    } cases[] = {
        {"-splash:", true, 1, {}},
        {"-splash:" + image + ".missing", true, 1, {}},
        {"-splash:" + ::testing::TempDir(), true, 1, {}},  // a folder
        {"-splash:jar:" + jar + "!/missing.png", true, 1, {}},
        {"-splash:jar:" + jar + ".missing!/images/s.png", true, 1, {}},
        {"-splash:jar:" +
             writeJar("plain.jar", {{"META-INF/MANIFEST.MF", "Main-Class: M\r\n", true}}),
         true,
         1,
         {}},  // a manifest without SplashScreen-Image
        {"-splash:jar:" + writeJar("nothing.jar", {{"a", "b", false}}), true, 1, {}},
        {"-splash:" + image, false, 1, {kLoad}},
        {"-splash:jar:" + jar + "!/stored.png", false, 1, {kLoad}},
        // The library cannot read the image (or finds no display): it says so, and that is all.
        {"-splash:" + image, true, 0, {kLoad, "init", "loadFile " + image}},
        {"-splash:jar:" + jar + "!/stored.png",
         true,
         0,
         {kLoad, "init", "loadMemory stored image"}},
    };
    for (const auto& c : cases) {
        calls.clear();
        libraryPresent = c.library;
        loadResult = c.loads;
        EXPECT_EQ(show(c.option), c.calls) << c.option;
    }
}

}  // namespace
}  // namespace trellane
