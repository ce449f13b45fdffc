#include "brand/branding.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "brand/icon_images.h"
#include "brand/manifest_text.h"
#include "icon_fixtures.h"

namespace trellane {
namespace {

const ResourceName kManifest = ResourceName::number(kResourceTypeManifest);
const ResourceName kVersion = ResourceName::number(kResourceTypeVersion);
const ResourceName kGroup = ResourceName::number(kResourceTypeGroupIcon);
const ResourceName kIcon = ResourceName::number(kResourceTypeIcon);
const ResourceName kOne = ResourceName::number(1);
const ResourceName kGroupName = ResourceName::number(kIconGroupId);

const VersionStrings kBuiltStrings = {"Application",     "Application",    "Vendor",
                                      "0.0.0.0",         "0.0.0.0",        "Copyright (C) Vendor",
                                      "Application.exe", "Application.exe"};

std::string builtManifest() {
    std::ifstream file(TRELLANE_SOURCE_DIR "/src/startup/resources/launcher.manifest");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

IconGroupEntry groupEntry(uint16_t id) {
    return IconGroupEntry{16, 16, 32, 4, id};
}

// The resources as the built launcher has them, and what an earlier tool may have left: a
// neutral-language icon group with its own image, an icon no group names, and data of a type
// branding never touches.
ResourceList launcherResources() {
    std::string version, problem;
    EXPECT_TRUE(writeVersionInfo(kBuiltStrings, version, problem));
    ResourceList resources;
    for (uint16_t id = 1; id <= 5; ++id)
        resources.push_back(
            {kIcon, ResourceName::number(id), kLanguageEnglishUs, 0, "old" + std::to_string(id)});
    resources.push_back({kGroup, kGroupName, kLanguageEnglishUs, 0,
                         writeIconGroup({groupEntry(1), groupEntry(2), groupEntry(3), groupEntry(4),
                                         groupEntry(5)})});
    resources.push_back({kGroup, kGroupName, 0, 0, writeIconGroup({groupEntry(7)})});
    resources.push_back({kIcon, ResourceName::number(7), 0, 0, "stale"});
    resources.push_back({kIcon, ResourceName::number(6), kLanguageEnglishUs, 0, "unnamed"});
    resources.push_back({ResourceName::number(10), ResourceName{0, u"KEEP"}, 0x0407, 1252, "data"});
    resources.push_back({kVersion, kOne, kLanguageEnglishUs, 0, version});
    resources.push_back({kManifest, kOne, kLanguageEnglishUs, 0, builtManifest()});
    return resources;
}

void expectSameResources(const ResourceList& got, const ResourceList& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(got[i].type == want[i].type && got[i].name == want[i].name) << i;
        EXPECT_EQ(got[i].language, want[i].language) << i;
        EXPECT_EQ(got[i].codePage, want[i].codePage) << i;
        EXPECT_EQ(got[i].data, want[i].data) << i;
    }
}

void expectStrings(const VersionStrings& got, const VersionStrings& want) {
    EXPECT_EQ(got.productName, want.productName);
    EXPECT_EQ(got.fileDescription, want.fileDescription);
    EXPECT_EQ(got.companyName, want.companyName);
    EXPECT_EQ(got.fileVersion, want.fileVersion);
    EXPECT_EQ(got.productVersion, want.productVersion);
    EXPECT_EQ(got.legalCopyright, want.legalCopyright);
    EXPECT_EQ(got.internalName, want.internalName);
    EXPECT_EQ(got.originalFileName, want.originalFileName);
}

class BrandingTest : public testing::Test {
  protected:
    std::string iconPath(const std::string& bytes) {
        std::string path = testing::TempDir() + "branding-icon-" + std::to_string(getpid()) + "-" +
                           std::to_string(icons_++);
        std::ofstream(path, std::ios::binary) << bytes;
        paths_.push_back(path);
        return path;
    }

    void TearDown() override {
        for (const std::string& path : paths_) unlink(path.c_str());
    }

  private:
    int icons_ = 0;
    std::vector<std::string> paths_;
};

TEST_F(BrandingTest, EachFieldChangesItsOwnPartsAndTheIdentityFollowsNameAndVendor) {
    const struct {
        AppMetadata metadata;
        VersionStrings strings;
        ManifestIdentity manifest;
    } cases[] = {
        {{"Zoë's Café", "2.1", "Zoë Ltd", "© 2024 Zoë Ltd", "", "", false},
         {"Zoë's Café", "Zoë's Café", "Zoë Ltd", "2.1.0.0", "2.1.0.0", "© 2024 Zoë Ltd",
          "Zoë's Café.exe", "Zoë's Café.exe"},
         {"ZoeLtd.ZoesCafe", "2.1.0.0", "Zoë's Café"}},
        {{"Notes", "", "", "", "", "", false},
         {"Notes", "Notes", "Vendor", "0.0.0.0", "0.0.0.0", "Copyright (C) Vendor", "Notes.exe",
          "Notes.exe"},
         {"Vendor.Notes", "1.0.0.0", "Notes"}},
        {{"", "", "Acme Inc.", "", "", "", false},
         {"Application", "Application", "Acme Inc.", "0.0.0.0", "0.0.0.0", "Copyright (C) Vendor",
          "Application.exe", "Application.exe"},
         {"AcmeInc.Application", "1.0.0.0", "Application"}},
        {{"", "3", "", "", "", "", false},
         {"Application", "Application", "Vendor", "3.0.0.0", "3.0.0.0", "Copyright (C) Vendor",
          "Application.exe", "Application.exe"},
         {"Vendor.Application", "3.0.0.0", "Application"}},
        {{"Notes", "", "Acme", "", "", "com.acme.notes", false},
         {"Notes", "Notes", "Acme", "0.0.0.0", "0.0.0.0", "Copyright (C) Vendor", "Notes.exe",
          "Notes.exe"},
         {"com.acme.notes", "1.0.0.0", "Notes"}},
        {{"", "", "", "", "", "Acme.Tool", false},
         kBuiltStrings,
         {"Acme.Tool", "1.0.0.0", "Application"}},
    };
    for (const auto& c : cases) {
        ResourceList resources = launcherResources();
        applyBranding(resources, c.metadata);
        Branding branding = readBranding(resources);
        SCOPED_TRACE(c.metadata.name + "/" + c.metadata.vendor + "/" + c.metadata.version);
        expectStrings(branding.strings, c.strings);
        EXPECT_EQ(branding.identity, c.manifest.name);
        EXPECT_EQ(branding.manifestVersion, c.manifest.version);
        EXPECT_EQ(branding.description, c.manifest.description);
        EXPECT_EQ(resources.size(), launcherResources().size());
        EXPECT_NE(findResource(resources, kVersion, kOne, kLanguageEnglishUs), nullptr);
        EXPECT_NE(findResource(resources, kManifest, kOne, kLanguageEnglishUs), nullptr);
    }
}

TEST_F(BrandingTest, WhatTheMetadataLeavesOutStaysByteForByte) {
    ResourceList resources = launcherResources();
    applyBranding(resources, AppMetadata{});
    expectSameResources(resources, launcherResources());

    // A copyright alone rewrites the version strings only; the manifest keeps its bytes.
    applyBranding(resources, AppMetadata{"", "", "", "(c) Someone", "", "", false});
    EXPECT_EQ(findResource(resources, kManifest, kOne, kLanguageEnglishUs)->data, builtManifest());
    EXPECT_EQ(readBranding(resources).strings.legalCopyright, "(c) Someone");
}

TEST_F(BrandingTest, ReplacesTheIconGroupAndItsImagesInEveryLanguage) {
    ResourceList resources = launcherResources();
    AppMetadata metadata;
    metadata.iconPath = iconPath(encodePng(patternImage(256)));
    applyBranding(resources, metadata);

    EXPECT_EQ(findResource(resources, kGroup, kGroupName, 0), nullptr);
    EXPECT_EQ(findResource(resources, kIcon, ResourceName::number(7), 0), nullptr);
    EXPECT_EQ(findResource(resources, kIcon, ResourceName::number(6), kLanguageEnglishUs)->data,
              "unnamed");
    Branding branding = readBranding(resources);
    ASSERT_EQ(branding.icons.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const IconGroupEntry& entry = branding.icons[i];
        const Resource* image =
            findResource(resources, kIcon, ResourceName::number(entry.id), kLanguageEnglishUs);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(entry.id, i + 1);
        EXPECT_EQ(entry.width, iconSizes()[i]);
        EXPECT_EQ(entry.height, iconSizes()[i]);
        EXPECT_EQ(entry.bitCount, 32);
        EXPECT_EQ(entry.length, image->data.size());
        EXPECT_EQ(image->data.compare(0, 4, "\x89PNG"), 0);
    }
    const Resource* group = findResource(resources, kGroup, kGroupName, kLanguageEnglishUs);
    EXPECT_EQ(group->data.substr(6 + 14 * 4, 8), std::string("\0\0\0\0\1\0\x20\0", 8))
        << "256 pixels as 0, no colour count, one plane, 32 bits";
    EXPECT_EQ(readBranding(resources).strings.productName, "Application");
}

using BrandingDeathTest = BrandingTest;

TEST_F(BrandingDeathTest, RefusesMetadataTheLauncherCannotCarry) {
    const std::pair<AppMetadata, const char*> cases[] = {
        {{"", "1.2.x", "", "", "", "", false},
         "the application version \"1.2.x\" is not one to four numbers of 0 to 65535 joined by "
         "dots; give a version such as 1.2 or 1.2.3.4"},
        {{"A|B", "", "", "", "", "", false},
         "the application name \"A\\|B\" holds '\\|'; the launcher's file name in its version "
         "strings is the name and \".exe\", so give a name Windows can use for a file"},
        {{"LPT1", "", "", "", "", "", false}, "\"LPT1\" is a Windows device name"},
        {{"", "", "", "", "", "My App", false},
         "the manifest identity \"My App\" holds characters other than ASCII letters, digits, "
         "'-', '_' and dots; give ASCII letters, digits, '-' and '_' in parts joined by dots"},
        {{"", "", "Zo\xEB", "", "", "", false}, "the vendor is not valid UTF-8"},
        {{"", "", "", "\xFF", "", "", false}, "the copyright is not valid UTF-8"},
    };
    for (const auto& [metadata, message] : cases)
        EXPECT_EXIT(checkAppMetadata(metadata), testing::ExitedWithCode(1), message);
}

TEST_F(BrandingDeathTest, RefusesALauncherOrIconItCannotUse) {
    AppMetadata named;
    named.name = "Notes";
    ResourceList noVersion = launcherResources(), oddManifest = launcherResources();
    removeResources(noVersion, kVersion, kOne);
    oddManifest.back().data = "<assembly/>";
    EXPECT_EXIT(applyBranding(noVersion, named), testing::ExitedWithCode(1),
                "version information \\(resource 16/1\\) is missing or unreadable; brand a "
                "launcher.exe as Trellane builds it");
    EXPECT_EXIT(applyBranding(oddManifest, named), testing::ExitedWithCode(1),
                "the launcher's manifest holds no assemblyIdentity element of its own");

    ResourceList resources = launcherResources();
    AppMetadata icon;
    icon.iconPath = iconPath(encodePng(solidImage(64, 32, 0, 0, 0, 255)));
    EXPECT_EXIT(applyBranding(resources, icon), testing::ExitedWithCode(1),
                "is not square \\(64x32 pixels\\): give a square PNG of 256 pixels or more, or "
                "an .ico holding 16, 32, 64, 128 and 256 pixels");
    icon.iconPath = testing::TempDir() + "no-such-icon.png";
    EXPECT_EXIT(applyBranding(resources, icon), testing::ExitedWithCode(1),
                "cannot read .*no-such-icon.png");
}

TEST_F(BrandingTest, WarnsOfAnIconScaledUp) {
    ResourceList resources = launcherResources();
    AppMetadata metadata;
    metadata.iconPath = iconPath(encodePng(patternImage(100)));
    testing::internal::CaptureStderr();
    applyBranding(resources, metadata);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "warning: the icon " + metadata.iconPath +
                  " is 100 pixels square, so its larger sizes are scaled up"),
              std::string::npos);
}

}  // namespace
}  // namespace trellane
