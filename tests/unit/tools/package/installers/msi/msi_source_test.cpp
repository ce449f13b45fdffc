#include "package/installers/msi/msi_source.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

MsiSource sample() {
    MsiSource source;
    source.name = "Hello [App] $(env.HOME)";
    source.vendor = "Acme & Co";
    source.version = msiVersion("1.2");
    source.upgradeCode = "{0E4F6E2A-1C2B-4D5E-8F90-123456789ABC}";
    source.productCode = "{1E4F6E2A-1C2B-4D5E-8F90-123456789ABC}";
    source.installDir = {"Acme", "Hello"};
    source.image = "image";
    source.entries = {{"app", true},
                      {"app/empty", true},
                      {"bin", true},
                      {"bin/Hello.exe", false},
                      {".trellane-package", false}};
    source.launcher = "bin/Hello.exe";
    return source;
}

// What wixl's preprocessor and Windows Installer's formatting would read as their own stays text.
TEST(WriteWixSource, KeepsTextAsText) {
    std::string wxs = writeWixSource(sample());
    EXPECT_NE(wxs.find("Name=\"Hello [App] $(var.dollar)(env.HOME)\""), std::string::npos);
    EXPECT_EQ(wxs.find("$(env"), std::string::npos);
    EXPECT_NE(wxs.find("Manufacturer=\"Acme &amp; Co\""), std::string::npos);
    EXPECT_NE(wxs.find("A newer version of Hello [\\[]App[\\]] $(var.dollar)(env.HOME) is "
                       "already installed"),
              std::string::npos);
    EXPECT_EQ(wxs.find(".trellane-package"), std::string::npos);
}

// Each folder the package makes, files or none, is removed on uninstall: INSTALL-DIR's levels,
// a folder holding only folders and an empty one.
TEST(WriteWixSource, RemovesEveryFolderItMakes) {
    std::string wxs = writeWixSource(sample());
    size_t removals = 0;
    for (size_t at = wxs.find("<RemoveFolder"); at != std::string::npos;
         at = wxs.find("<RemoveFolder", at + 1))
        ++removals;
    EXPECT_EQ(removals, 5u);  // Acme, Hello (INSTALLDIR), app, app/empty, bin
    EXPECT_NE(wxs.find("<CreateFolder/>"), std::string::npos);
}

// A file type joins the extension's registration through OpenWithProgids; the extension's own
// values (its default ProgId, its media type) and the media type's key are never written.
TEST(WriteWixSource, OffersTheApplicationWithoutTakingTheExtension) {
    MsiSource source = sample();
    FileAssociation association;
    association.extension = "txt";
    association.mimeType = "text/plain";
    association.description = "Text";
    source.associations = {association};
    std::string wxs = writeWixSource(source);
    EXPECT_NE(
        wxs.find("Key=\"Software\\Classes\\.txt\\OpenWithProgids\" Name=\"HelloAppenvHOME.txt\""),
        std::string::npos);
    EXPECT_EQ(wxs.find("Key=\"Software\\Classes\\.txt\" "), std::string::npos);
    EXPECT_EQ(wxs.find("MIME"), std::string::npos);
    EXPECT_EQ(wxs.find("Content Type"), std::string::npos);
}

}  // namespace
}  // namespace trellane
