#include "brand/signing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

std::string joined(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) line += (line.empty() ? "" : " ") + argument;
    return line;
}

// The password reaches osslsigncode through an inherited pipe, whichever way it was given:
// 2.5 cannot read standard input, and a file named on its command line would be readable.
TEST(SigningTest, BuildsOsslsigncodesCommandLineWithoutThePassword) {
    const std::pair<SigningRequest, const char*> cases[] = {
        {{"app.p12", "pw.txt", "", "", "", "", ""},
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -in in.exe -out out.exe"},
        {{"app.p12", "", "SIGNING_PASSWORD", "", "", "", ""},
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -in in.exe -out out.exe"},
        {{"", "", "", "chain.pem", "key.pem", "", ""},
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
        {{"app.p12", "pw.txt", "", "", "", "http://timestamp.example/tsa", ""},
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -ts http://timestamp.example/tsa -in "
         "in.exe -out out.exe"},
        {{"", "", "", "chain.pem", "key.pem", "", "Example App 2"},
         "sign -certs chain.pem -key key.pem -h sha256 -n Example App 2 -in in.exe -out out.exe"},
        // osslsigncode would store these bytes as ASCII: Windows would show them garbled.
        {{"", "", "", "chain.pem", "key.pem", "", "Zo\xC3\xAB"},
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
        {{"", "", "", "chain.pem", "key.pem", "", "Tab\tName"},
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
    };
    for (const auto& [request, want] : cases)
        EXPECT_EQ(joined(signingArguments(request, "in.exe", "out.exe")), want);
}

TEST(SigningDeathTest, RefusesARequestThatMixesOrLacksItsParts) {
    const std::pair<SigningRequest, const char*> cases[] = {
        {{"app.p12", "", "", "chain.pem", "key.pem", "", ""},
         "sign with a PKCS #12 file or with a PEM certificate and key, not both"},
        {{"", "", "", "chain.pem", "", "", ""},
         "a PEM certificate chain and its key go together: give both"},
        {{"", "", "", "", "key.pem", "", ""},
         "a PEM certificate chain and its key go together: give both"},
        {{"app.p12", "pw.txt", "PW", "", "", "", ""},
         "give the signing password from a file or from a variable, not both"},
        {{"", "pw.txt", "", "", "", "", ""},
         "a signing password or timestamp URL needs a PKCS #12 file or a PEM certificate and key"},
        {{"", "", "", "", "", "http://ts.example", ""},
         "a signing password or timestamp URL needs a PKCS #12 file"},
    };
    for (const auto& [request, message] : cases)
        EXPECT_EXIT(checkSigningRequest(request), testing::ExitedWithCode(2), message);
    EXPECT_FALSE(wantsSignature(SigningRequest{}));
    EXPECT_EXIT(signExecutable("in.exe", "out.exe", SigningRequest{}), testing::ExitedWithCode(2),
                "signing needs a PKCS #12 file, or a PEM certificate chain and its key");
}

}  // namespace
}  // namespace trellane
