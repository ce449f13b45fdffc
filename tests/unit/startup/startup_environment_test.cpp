#include "startup/startup_environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>

#include "startup/known_folder_fakes.h"

namespace trellane {
namespace {

using namespace fakes;

// The process environment and console as the start-up sees them.
struct ProcessRecord {
    std::map<std::string, std::string> environment;
    std::vector<std::string> assignments;  // handed to putEnv, in order
    int consoleSetUps = 0;
    std::vector<std::string> steps;  // console, lookup, HOME, in the order they happened
};

ProcessRecord process;

void setUpConsole() {
    ++process.consoleSetUps;
    process.steps.push_back("console");
}

const char* getEnv(const char* name) {
    auto found = process.environment.find(name);
    return found == process.environment.end() ? nullptr : found->second.c_str();
}

void putEnv(const char* assignment) {
    process.assignments.push_back(assignment);
    process.steps.push_back(std::string(assignment).substr(0, 5));
}

uint32_t recordingLookup(const KnownFolderId& folder, uint32_t flags, WideChar** path) {
    process.steps.push_back("lookup");
    return fakeGetKnownFolderPath(folder, flags, path);
}

class StartupEnvironmentTest : public KnownFolderTest {
  protected:
    void SetUp() override {
        KnownFolderTest::SetUp();
        process = ProcessRecord{};
        process.environment["USERPROFILE"] = "C:\\Users\\someone";
    }

    void prepare(const LaunchConfig& config) {
        StartupPrimitives primitives{setUpConsole, fakeKnownFolderPrimitives(errorStream), getEnv,
                                     putEnv};
        primitives.knownFolders.getKnownFolderPath = recordingLookup;
        prepareStartupEnvironment(config, primitives);
    }
};

LaunchConfig configWith(bool isConsoleApp, bool setUpConsole, bool redirect) {
    LaunchConfig config;
    config.isConsoleApp = isConsoleApp;
    config.setUpConsole = setUpConsole;
    config.redirectAppDataVariables = redirect;
    return config;
}

struct ExpectedLookup {
    const KnownFolderId* folder;
    uint32_t flags;
    WideString variable;
};

void expectLookups(const std::vector<ExpectedLookup>& expected) {
    ASSERT_EQ(record.lookups.size(), expected.size());
    ASSERT_EQ(record.variablesSet.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(narrow(expected[i].variable));
        EXPECT_EQ(std::memcmp(&record.lookups[i].folder, expected[i].folder, sizeof(KnownFolderId)),
                  0);
        EXPECT_EQ(record.lookups[i].flags, expected[i].flags);
        EXPECT_EQ(record.variablesSet[i].first, expected[i].variable);
    }
}

TEST_F(StartupEnvironmentTest, ExportsThePackageAndUserFoldersInOrder) {
    prepare(configWith(false, false, false));
    expectLookups({
        {&kFolderLocalAppData, 0x40000, u"PACKAGE_LOCALAPPDATA"},
        {&kFolderRoamingAppData, 0x40000, u"PACKAGE_APPDATA"},
        {&kFolderLocalAppData, 0x10000, u"USER_LOCALAPPDATA"},
        {&kFolderRoamingAppData, 0x10000, u"USER_APPDATA"},
    });
}

TEST_F(StartupEnvironmentTest, RedirectionAlsoReplacesLocalAppDataAndAppData) {
    prepare(configWith(false, false, true));
    expectLookups({
        {&kFolderLocalAppData, 0x40000, u"PACKAGE_LOCALAPPDATA"},
        {&kFolderRoamingAppData, 0x40000, u"PACKAGE_APPDATA"},
        {&kFolderLocalAppData, 0x10000, u"USER_LOCALAPPDATA"},
        {&kFolderRoamingAppData, 0x10000, u"USER_APPDATA"},
        {&kFolderLocalAppData, 0x40000, u"LOCALAPPDATA"},
        {&kFolderRoamingAppData, 0x40000, u"APPDATA"},
    });
}

TEST_F(StartupEnvironmentTest, EveryLookupIsMadeWhateverTheOthersReturned) {
    record.script = {{0x80070005, nullptr}, {0x80070002, nullptr}, {0x80070003, nullptr},
                     {0x80070057, nullptr}, {0x80070002, nullptr}, {0, kDefaultPath}};
    prepare(configWith(true, false, true));

    EXPECT_EQ(record.lookups.size(), 6u);
    ASSERT_EQ(record.variablesSet.size(), 1u);
    EXPECT_EQ(record.variablesSet[0].first, u"APPDATA");
    // The box comes even for a console application.
    EXPECT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.wideDebugLines.size(), 2u);
    EXPECT_EQ(process.assignments, std::vector<std::string>{"HOME=C:\\Users\\someone"});
}

TEST_F(StartupEnvironmentTest, TheConsoleIsSetUpOnlyForAConsoleApplicationThatAsks) {
    struct Case {
        bool isConsoleApp, setUpConsole;
        int setUps;
    } cases[] = {{false, false, 0}, {true, false, 0}, {false, true, 0}, {true, true, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.isConsoleApp << c.setUpConsole);
        process.consoleSetUps = 0;
        prepare(configWith(c.isConsoleApp, c.setUpConsole, false));
        EXPECT_EQ(process.consoleSetUps, c.setUps);
    }
}

TEST_F(StartupEnvironmentTest, ConsoleThenFoldersThenHome) {
    prepare(configWith(true, true, false));
    EXPECT_EQ(process.steps, (std::vector<std::string>{"console", "lookup", "lookup", "lookup",
                                                       "lookup", "HOME="}));
}

TEST_F(StartupEnvironmentTest, HomeIsTheWholeUserProfile) {
    const std::string shortProfile = "C:\\Users\\Zo\xc3\xab Smith";
    // Longer than any fixed buffer a HOME assignment might be formatted into.
    const std::string longProfile = "C:\\Users\\" + std::string(600, 'x');
    for (const std::string& profile : {shortProfile, longProfile}) {
        process.assignments.clear();
        process.environment["USERPROFILE"] = profile;
        prepare(configWith(false, false, false));
        EXPECT_EQ(process.assignments, std::vector<std::string>{"HOME=" + profile});
    }
}

TEST_F(StartupEnvironmentTest, WithoutAUserProfileHomeStaysAsItWas) {
    process.environment.erase("USERPROFILE");
    process.environment["HOME"] = "C:\\inherited";
    prepare(configWith(false, false, false));
    EXPECT_TRUE(process.assignments.empty());
}

}  // namespace
}  // namespace trellane
