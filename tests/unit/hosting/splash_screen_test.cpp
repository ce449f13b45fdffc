#include "hosting/splash_screen.h"

#include <gtest/gtest.h>

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

bool fakeLoadLibrary(const char* path, SplashLibrary* library) {
    calls.push_back("load " + text(path));
    if (!libraryPresent) return false;
    *library = SplashLibrary{fakeInit, fakeLoadFile, fakeLoadMemory, fakeSetFileJarName};
    return true;
}

class ShowSplashScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        libraryPresent = true;
        loadResult = 1;
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
