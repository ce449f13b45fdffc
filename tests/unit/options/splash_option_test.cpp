#include "options/splash_option.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(TakeSplashOption, TakesEverySplashOutAndKeepsTheLast) {
    const struct {
        StringList options;
        std::string splash;
        StringList left;
    } cases[] = {
        {{"-Xmx1g", "-Dsun.java.command=Main"}, "", {"-Xmx1g", "-Dsun.java.command=Main"}},
        {{"-splash:&&a.png", "-Xmx1g", "-splash:&&b.png", "-Dx=-splash:c"},
         "-splash:&&b.png",
         {"-Xmx1g", "-Dx=-splash:c"}},
        {{"-splash:", "-splash:jar:&&app.jar!/s.png"}, "-splash:jar:&&app.jar!/s.png", {}},
        // Only the option itself: other spellings are the JVM's to refuse, as java refuses them.
        {{"-Splash:x", "-splash", " -splash:x"}, "", {"-Splash:x", "-splash", " -splash:x"}},
    };
    for (const auto& c : cases) {
        StringList options = c.options;
        EXPECT_EQ(takeSplashOption(options), c.splash);
        EXPECT_EQ(options, c.left);
    }
}

TEST(IsHeadless, TheLastHeadlessPropertyCountsInAnyCase) {
    const struct {
        StringList options;
        bool headless;
    } cases[] = {
        {{}, false},
        {{"-Djava.awt.headless=true"}, true},
        {{"-Djava.awt.headless=TRUE"}, true},
        {{"-Djava.awt.headless=True", "-Djava.awt.headless=false"}, false},
        {{"-Djava.awt.headless=false", "-Djava.awt.headless=true"}, true},
        {{"-Djava.awt.headless=yes"}, false},
        {{"-Djava.awt.headless=true "}, false},
        {{"-Djava.awt.headless"}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isHeadless(c.options), c.headless) << c.options.size();
}

TEST(ParseSplashImage, AFileOrAJarsEntry) {
    const struct {
        const char* option;
        const char* file;
        const char* entry;
        bool inJar;
    } cases[] = {
        {"-splash:/opt/app/app/splash.png", "/opt/app/app/splash.png", "", false},
        {"-splash:C:\\App\\app\\splash.png", "C:\\App\\app\\splash.png", "", false},
        {"-splash:jar:/opt/a/app.jar!/images/splash.png", "/opt/a/app.jar", "images/splash.png",
         true},
        {"-splash:jar:C:\\A\\app.jar!/s.gif", "C:\\A\\app.jar", "s.gif", true},
        // The first "!/" ends the jar's path.
        {"-splash:jar:/a.jar!/b!/c.png", "/a.jar", "b!/c.png", true},
        // Without "!/", the entry the jar's manifest names.
        {"-splash:jar:/opt/a/app.jar", "/opt/a/app.jar", "", true},
        {"-splash:x.jar!/y.png", "x.jar!/y.png", "", false},
        {"-splash:jar:", "jar:", "", false},
        {"-splash:", "", "", false},
    };
    for (const auto& c : cases) {
        SplashImage image = parseSplashImage(c.option);
        EXPECT_EQ(image.file, c.file) << c.option;
        EXPECT_EQ(image.entry, c.entry) << c.option;
        EXPECT_EQ(image.inJar, c.inJar) << c.option;
    }
}

}  // namespace
}  // namespace trellane
