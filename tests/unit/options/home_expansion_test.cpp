#include "options/home_expansion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace trellane {
namespace {

const PathConventions kWindows{'\\', ';', "USERPROFILE"};
const PathConventions kLinux{'/', ':', "HOME"};

// The home variable as the expansion sees it: null means unset. Every lookup is counted and
// may take the next of several values, to show that nothing is cached.
const char* fakeHome = nullptr;
const char* fakeHomeAfterFirst = nullptr;
int fakeLookups = 0;
std::string lookedUp;

const char* fakeGetEnv(const char* name) {
    lookedUp = name;
    ++fakeLookups;
    return fakeLookups > 1 && fakeHomeAfterFirst != nullptr ? fakeHomeAfterFirst : fakeHome;
}

std::string expanded(std::string option, const PathConventions& conventions, const char* home) {
    fakeHome = home;
    fakeHomeAfterFirst = nullptr;
    fakeLookups = 0;
    expandUserHome(option, conventions, fakeGetEnv);
    return option;
}

struct Case {
    const char* option;
    const char* expected;
};

void expectAll(const Case* begin, const Case* end, const PathConventions& conventions,
               const char* home) {
    for (const Case* c = begin; c != end; ++c)
        EXPECT_EQ(expanded(c->option, conventions, home), c->expected)
            << "option: " << c->option << ", home: " << (home ? home : "(unset)");
}

TEST(ExpandUserHome, WindowsConventions) {
    const Case cases[] = {
        {"K=~/R", "K=C:\\Users\\u\\R"},
        {"K=~/A;~/R", "K=C:\\Users\\u\\A;C:\\Users\\u\\R"},
        {"K=A;~/R", "K=A;C:\\Users\\u\\R"},
        {"~/R", "C:\\Users\\u\\R"},
        {"~/", "C:\\Users\\u\\"},
        {"K=~/", "K=C:\\Users\\u\\"},
        {"K ~/R", "K ~/R"},
        {"K=~\\R", "K=~\\R"},
        {"K=A~/R", "K=A~/R"},
        {"K=A:~/R", "K=A:~/R"},
        {"~", "~"},
        {"-cp ~/a.jar;~/b.jar", "-cp ~/a.jar;C:\\Users\\u\\b.jar"},
        {"=~/=~/;~/;~/", "=C:\\Users\\u\\=C:\\Users\\u\\;C:\\Users\\u\\;C:\\Users\\u\\"},
        {"~/x=~/y", "C:\\Users\\u\\x=C:\\Users\\u\\y"},
    };
    expectAll(std::begin(cases), std::end(cases), kWindows, "C:\\Users\\u");
    EXPECT_EQ(lookedUp, "USERPROFILE");
}

TEST(ExpandUserHome, LinuxConventions) {
    const Case cases[] = {
        {"K=~/R", "K=/home/u/R"},
        {"K=~/A:~/R", "K=/home/u/A:/home/u/R"},
        {"K=A:~/R", "K=A:/home/u/R"},
        {"~/R", "/home/u/R"},
        {"K=A;~/R", "K=A;~/R"},
        {"K ~/R", "K ~/R"},
        {"-cp ~/a.jar:~/b.jar", "-cp ~/a.jar:/home/u/b.jar"},
    };
    expectAll(std::begin(cases), std::end(cases), kLinux, "/home/u");
    EXPECT_EQ(lookedUp, "HOME");
}

TEST(ExpandUserHome, UnsetOrEmptyHome) {
    const Case unset[] = {{"K=~/A:~/R", "K=~/A:~/R"}, {"~/R", "~/R"}};
    expectAll(std::begin(unset), std::end(unset), kLinux, nullptr);
    // Empty: the '=' and list forms stay, the leading form loses "~/" to one separator.
    const Case empty[] = {{"K=~/A:~/R", "K=~/A:~/R"}, {"~/R", "/R"}, {"~/", "/"}};
    expectAll(std::begin(empty), std::end(empty), kLinux, "");
    EXPECT_EQ(expanded("~/R;~/S", kWindows, ""), "\\R;~/S");
}

// A home that itself holds the shorthand is inserted once and never searched again by the
// pass that inserted it; a single-character home does not confuse the resumption either.
TEST(ExpandUserHome, InsertedHomeIsNotSearchedAgain) {
    EXPECT_EQ(expanded("K=~/A=~/B", kLinux, "/h=~/"), "K=/h=~//A=/h=~//B");
    EXPECT_EQ(expanded("K=~/=~/", kLinux, "="), "K==/==/");
    EXPECT_EQ(expanded("K=~/A:~/B", kLinux, "/"), "K=//A://B");
}

TEST(ExpandUserHome, HomeIsReadAtEveryUse) {
    fakeHome = "/first";
    fakeHomeAfterFirst = "/second";
    fakeLookups = 0;
    std::string option = "K=~/a:~/b";
    expandUserHome(option, kLinux, fakeGetEnv);
    EXPECT_EQ(option, "K=/first/a:/second/b");
    EXPECT_EQ(fakeLookups, 2);

    EXPECT_EQ(expanded("-Dnothing=here", kLinux, "/h"), "-Dnothing=here");
    EXPECT_EQ(fakeLookups, 0);
}

TEST(ExpandUserHome, TenThousandListEntries) {
    std::string option = "-Dp=~/0";
    std::string expected = "-Dp=/home/user/0";
    for (int i = 1; i < 10000; ++i) {
        option += ":~/" + std::to_string(i);
        expected += ":/home/user/" + std::to_string(i);
    }
    EXPECT_EQ(expanded(option, kLinux, "/home/user"), expected);
    EXPECT_EQ(fakeLookups, 10000);
}

}  // namespace
}  // namespace trellane
