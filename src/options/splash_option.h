#pragma once

#include <string>

#include "config/launch_config.h"

namespace trellane {

// "-splash:IMAGE" stands among the JVM options as it stands on a java command line, but it is
// the launcher's: the JVM refuses it, so it is taken out of the list before the JVM is created.
constexpr char kSplashOptionPrefix[] = "-splash:";

// Takes every "-splash:" option out of options, the rest keeping their order, and returns the
// last of them whole (the one the java command would use), or "" when there is none.
std::string takeSplashOption(StringList& options);

// True when the options make the JVM headless: the last "-Djava.awt.headless=" says true, in
// any letter case, as Java reads the property. A headless application shows no splash.
bool isHeadless(const StringList& options);

// Where the image of an expanded "-splash:" option is: a file; an entry of a jar, written
// "jar:JAR!/ENTRY" (the form of the splash's URL without "file:"); or "jar:JAR", the entry
// that the jar's manifest names as its SplashScreen-Image, as java -jar shows it.
struct SplashImage {
    std::string file;   // the image file, or the jar
    std::string entry;  // the entry in the jar; empty for a file, or for the manifest's
    bool inJar = false;
};

SplashImage parseSplashImage(const std::string& option);

}  // namespace trellane
