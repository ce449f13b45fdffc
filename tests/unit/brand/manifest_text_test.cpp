#include "brand/manifest_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace trellane {
namespace {

std::string builtManifest() {
    std::ifstream file(TRELLANE_SOURCE_DIR "/src/startup/resources/launcher.manifest");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty());
    return text.str();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(ManifestTextTest, ReadsTheBuiltManifestsIdentity) {
    ManifestIdentity identity;
    std::string problem;
    ASSERT_TRUE(readManifestIdentity(builtManifest(), identity, problem)) << problem;
    EXPECT_EQ(identity.name, "Vendor.Application");
    EXPECT_EQ(identity.version, "1.0.0.0");
    EXPECT_EQ(identity.description, "Application");
}

TEST(ManifestTextTest, ChangesTheThreePartsAndNoOtherByte) {
    std::string manifest = builtManifest(), rewritten, problem;
    ASSERT_TRUE(rewriteManifestIdentity(
        manifest, {"ZoeLtd.Rock-n-Roll", "2.0.1.0", "Zoë's Rock & Roll <Live>"}, rewritten,
        problem));
    std::string want = replaced(manifest, "name=\"Vendor.Application\" version=\"1.0.0.0\"",
                                "name=\"ZoeLtd.Rock-n-Roll\" version=\"2.0.1.0\"");
    want = replaced(want, "<description>Application</description>",
                    "<description>Zoë's Rock &amp; Roll &lt;Live&gt;</description>");
    EXPECT_EQ(rewritten, want);

    ManifestIdentity again;
    ASSERT_TRUE(readManifestIdentity(rewritten, again, problem));
    EXPECT_EQ(again.description, "Zoë's Rock & Roll <Live>");
}

TEST(ManifestTextTest, RefusesAManifestNotShapedAsBuilt) {
    std::string manifest = builtManifest();
    const std::pair<std::string, const char*> cases[] = {
        {replaced(manifest, "<description>Application</description>", ""),
         "has no single description element"},
        {replaced(manifest, "</assembly>", "<description>x</description></assembly>"),
         "has no single description element"},
        {replaced(manifest, " version=\"1.0.0.0\"", ""),
         "has no name and version on its assemblyIdentity element"},
        // The application's own identity gone: the first one left is the dependency's.
        {replaced(manifest,
                  "<assemblyIdentity type=\"win32\" name=\"Vendor.Application\" "
                  "version=\"1.0.0.0\"/>",
                  ""),
         "holds no assemblyIdentity element of its own"},
        {"not a manifest", "holds no assemblyIdentity element of its own"},
        // Rewriting it would replace the identity's text twice.
        {"<description><assemblyIdentity name=\"a\" version=\"1\"/></description>",
         "has its description element around its assemblyIdentity element"},
    };
    for (const auto& [text, want] : cases) {
        ManifestIdentity identity;
        std::string rewritten, problem;
        EXPECT_FALSE(readManifestIdentity(text, identity, problem));
        EXPECT_EQ(problem, want);
        EXPECT_FALSE(rewriteManifestIdentity(text, identity, rewritten, problem));
    }
}

}  // namespace
}  // namespace trellane
