#include "startup/known_folders.h"

#include <gtest/gtest.h>

#include <cstring>

#include "startup/known_folder_fakes.h"

namespace trellane {
namespace {

using namespace fakes;

bool sameFolder(const KnownFolderId& a, const KnownFolderId& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const WideString kMissingRedirection =
    u"Could not find redirected PACKAGE_APPDATA. Virtualization might be off for that folder, "
    u"ignoring.\n";

// One lookup in a fresh process: what each result leaves behind.
TEST_F(KnownFolderTest, EachLookupResultHasItsOwnOutcome) {
    struct Case {
        bool redirected;
        uint32_t result;
        uint32_t expectedFlags;
        bool variableSet;
        WideString wideDebug;
        std::string report;  // debugger, stderr (with CR LF) and box text
    } cases[] = {
        {true, 0, 0x40000, true, u"", ""},
        {false, 0, 0x10000, true, u"", ""},
        {true, 0x80070002, 0x40000, false, kMissingRedirection, ""},
        // A lookup without redirection gets the same line when its folder is missing.
        {false, 0x80070002, 0x10000, false, kMissingRedirection, ""},
        {true, 0x80070003, 0x40000, false, u"", ""},
        {true, 0x80070005, 0x40000, false, u"", "Error 0x80070005"},
        {true, 0x80070057, 0x40000, false, u"", "Error 0x80070057"},
        // Success codes other than S_OK are failures here too.
        {false, 0x1, 0x10000, false, u"", "Error 0x1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.result << " redirected " << c.redirected);
        startProcess();
        record.script.push_back({c.result, kDefaultPath});

        bool found = setKnownFolderVariable(kFolderRoamingAppData, u"PACKAGE_APPDATA", c.redirected,
                                            fakeKnownFolderPrimitives(errorStream));

        EXPECT_EQ(found, c.result == 0);
        ASSERT_EQ(record.lookups.size(), 1u);
        EXPECT_TRUE(sameFolder(record.lookups[0].folder, kFolderRoamingAppData));
        EXPECT_EQ(record.lookups[0].flags, c.expectedFlags);
        if (c.variableSet) {
            ASSERT_EQ(record.variablesSet.size(), 1u);
            EXPECT_EQ(record.variablesSet[0].first, u"PACKAGE_APPDATA");
            EXPECT_EQ(record.variablesSet[0].second, kDefaultPath);
        } else {
            EXPECT_TRUE(record.variablesSet.empty());
        }
        EXPECT_EQ(record.wideDebugLines, c.wideDebug.empty()
                                             ? std::vector<WideString>{}
                                             : std::vector<WideString>{c.wideDebug});
        if (c.report.empty()) {
            EXPECT_TRUE(record.narrowDebugLines.empty());
            EXPECT_EQ(contentsOf(errorStream), "");
            EXPECT_TRUE(record.boxes.empty());
        } else {
            EXPECT_EQ(record.narrowDebugLines, std::vector<std::string>{c.report});
            EXPECT_EQ(contentsOf(errorStream), c.report + "\r\n");
            ASSERT_EQ(record.boxes.size(), 1u);
            EXPECT_EQ(record.boxes[0].first,
                      "Error converting known folder path to environment variable");
            EXPECT_EQ(record.boxes[0].second, c.report);
        }
        EXPECT_EQ(record.pathsFreed, 1);
    }
}

TEST_F(KnownFolderTest, OnlyTheFirstUnexpectedFailureIsReported) {
    record.script = {
        {0x80070005, nullptr}, {0x80070002, nullptr}, {0x80004005, nullptr}, {0x80070057, nullptr}};
    const KnownFolderPrimitives primitives = fakeKnownFolderPrimitives(errorStream);

    setKnownFolderVariable(kFolderLocalAppData, u"PACKAGE_LOCALAPPDATA", true, primitives);
    setKnownFolderVariable(kFolderRoamingAppData, u"PACKAGE_APPDATA", true, primitives);
    setKnownFolderVariable(kFolderLocalAppData, u"USER_LOCALAPPDATA", false, primitives);
    setKnownFolderVariable(kFolderRoamingAppData, u"USER_APPDATA", false, primitives);

    EXPECT_TRUE(knownFolderErrorShown);
    EXPECT_EQ(record.narrowDebugLines, std::vector<std::string>{"Error 0x80070005"});
    EXPECT_EQ(contentsOf(errorStream), "Error 0x80070005\r\n");
    EXPECT_EQ(record.boxes.size(), 1u);
    // The missing redirection target is not limited: it still gets its debugger line.
    EXPECT_EQ(record.wideDebugLines, std::vector<WideString>{kMissingRedirection});
}

TEST_F(KnownFolderTest, ThePathIsReleasedWhateverTheOutcome) {
    record.script = {{0, kDefaultPath},
                     {0x80070002, kDefaultPath},
                     {0x80070003, kDefaultPath},
                     {0x80070005, kDefaultPath},
                     {0x80070005, nullptr}};
    const KnownFolderPrimitives primitives = fakeKnownFolderPrimitives(errorStream);
    for (int i = 0; i < 5; ++i)
        setKnownFolderVariable(kFolderLocalAppData, u"USER_LOCALAPPDATA", false, primitives);

    EXPECT_EQ(record.pathsHandedOut, 4);
    EXPECT_EQ(record.pathsFreed, 4);
    EXPECT_EQ(record.nullFrees, 1);
}

TEST_F(KnownFolderTest, ThePathIsExportedExactlyAsReturned) {
    const WideChar path[] = u"C:\\Users\\Zo\u00eb \u00c5ngstr\u00f6m\\AppData\\Local \U0001F600";
    record.script = {{0, path}};

    setKnownFolderVariable(kFolderLocalAppData, u"LOCALAPPDATA", true,
                           fakeKnownFolderPrimitives(errorStream));

    ASSERT_EQ(record.variablesSet.size(), 1u);
    EXPECT_EQ(record.variablesSet[0].first, u"LOCALAPPDATA");
    EXPECT_EQ(record.variablesSet[0].second, path);
}

}  // namespace
}  // namespace trellane
