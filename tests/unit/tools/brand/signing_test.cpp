#include "brand/signing.h"

#include "brand/pkcs11_token.h"
#include "brand/sign_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

// A request by the parts PKCS #12 and PEM signing take, in their order.
SigningRequest request(const char* pkcs12, const char* passwordFile, const char* passwordEnv,
                       const char* cert, const char* key, const char* timestamp,
                       const char* description) {
    SigningRequest made;
    made.pkcs12Path = pkcs12, made.passwordFile = passwordFile, made.passwordEnv = passwordEnv;
    made.certPath = cert, made.keyPath = key, made.timestampUrl = timestamp;
    made.description = description;
    return made;
}

std::string joined(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) line += (line.empty() ? "" : " ") + argument;
    return line;
}

// The password reaches osslsigncode through an inherited pipe, whichever way it was given:
// 2.5 cannot read standard input, and a file named on its command line would be readable.
TEST(SigningTest, BuildsOsslsigncodesCommandLineWithoutThePassword) {
    const std::pair<SigningRequest, const char*> cases[] = {
        {request("app.p12", "pw.txt", "", "", "", "", ""),
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -in in.exe -out out.exe"},
        {request("app.p12", "", "SIGNING_PASSWORD", "", "", "", ""),
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -in in.exe -out out.exe"},
        {request("", "", "", "chain.pem", "key.pem", "", ""),
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
        {request("app.p12", "pw.txt", "", "", "", "http://timestamp.example/tsa", ""),
         "sign -pkcs12 app.p12 -readpass /dev/fd/3 -h sha256 -ts http://timestamp.example/tsa -in "
         "in.exe -out out.exe"},
        {request("", "", "", "chain.pem", "key.pem", "", "Example App 2"),
         "sign -certs chain.pem -key key.pem -h sha256 -n Example App 2 -in in.exe -out out.exe"},
        // osslsigncode would store these bytes as ASCII: Windows would show them garbled.
        {request("", "", "", "chain.pem", "key.pem", "", "Zo\xC3\xAB"),
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
        {request("", "", "", "chain.pem", "key.pem", "", "Tab\tName"),
         "sign -certs chain.pem -key key.pem -h sha256 -in in.exe -out out.exe"},
    };
    for (const auto& [request, want] : cases)
        EXPECT_EQ(joined(signingArguments(request, "in.exe", "out.exe")), want);
}

// A key on a token: the module and URIs as given, the certificate from the token or a file,
// the PIN through the same pipe, and never -pkcs11engine, which 2.5 refuses.
TEST(SigningTest, BuildsOsslsigncodesCommandLineForAKeyOnAToken) {
    SigningRequest token;
    token.pkcs11Module = "/usr/lib/softhsm/libsofthsm2.so";
    token.keyUri = "pkcs11:token=t;object=k;type=private";
    token.certUri = "pkcs11:token=t;object=k;type=cert";
    token.pinEnv = "PIN";
    EXPECT_EQ(joined(signingArguments(token, "in.exe", "out.exe")),
              "sign -pkcs11module /usr/lib/softhsm/libsofthsm2.so -pkcs11cert "
              "pkcs11:token=t;object=k;type=cert -key pkcs11:token=t;object=k;type=private "
              "-readpass /dev/fd/3 -h sha256 -in in.exe -out out.exe");
    token.certUri.clear();
    token.certPath = "chain.pem";
    token.pinEnv.clear();
    EXPECT_EQ(joined(signingArguments(token, "in.exe", "out.exe")),
              "sign -pkcs11module /usr/lib/softhsm/libsofthsm2.so -certs chain.pem -key "
              "pkcs11:token=t;object=k;type=private -h sha256 -in in.exe -out out.exe");
}

// What osslsigncode (through the pkcs11 engine) says when the token goes wrong between the
// check and the signing: the lines Debian 12's engine prints, 2.5 and 2.9 alike.
TEST(SigningTest, ReadsTheEnginesWordsForTokenFaults) {
    const std::string key = "pkcs11:token=t;object=k;type=private";
    const std::pair<const char*, const char*> cases[] = {
        {"Login failed\n...:error:430000A0:PKCS#11 module:ERR_CKR_error:PIN incorrect:p11_slot.c",
         "the PIN is wrong for the token of pkcs11:token=t;object=k;type=private"},
        {"No matching initialized token was found for certificate",
         "no token matching pkcs11:token=t;object=k;type=private is present"},
        {"The private key was not found at: pkcs11:token=t", "the token has no private key"},
        {"/x.so: cannot open shared object file\nUnable to load module /x.so",
         "cannot load the PKCS #11 module m.so"},
        {"Creating a new signature failed", ""},
    };
    for (const auto& [output, want] : cases)
        EXPECT_EQ(tokenFailure(output, "m.so", key, "").substr(0, std::string(want).size()), want);
}

TEST(SignCommandTest, SplitsTheCommandAndPutsThePathInEachPlaceholder) {
    std::vector<std::string> words;
    std::string problem;
    ASSERT_TRUE(parseSignCommand("jsign --storetype X \"--alias=my key\" '{}' --log={}.log", words,
                                 problem));
    EXPECT_EQ(joined(signCommandArguments(words, "/out/.t-1/My App.exe")),
              "jsign --storetype X --alias=my key /out/.t-1/My App.exe "
              "--log=/out/.t-1/My App.exe.log");
    const std::pair<const char*, const char*> refused[] = {
        {"sign.sh file", "has no {} where the path of the file to sign goes"},
        {"", "names no program to run"},
        {"sign.sh '{}", "quote"},
    };
    for (const auto& [text, want] : refused) {
        EXPECT_FALSE(parseSignCommand(text, words, problem)) << text;
        EXPECT_NE(problem.find(want), std::string::npos) << problem;
    }
}

TEST(SigningDeathTest, RefusesARequestThatMixesOrLacksItsParts) {
    const std::pair<SigningRequest, const char*> cases[] = {
        {request("app.p12", "", "", "chain.pem", "key.pem", "", ""),
         "sign one way: with a PKCS #12 file"},
        {request("", "", "", "chain.pem", "", "", ""),
         "a PEM certificate chain and its key go together: give both"},
        {request("", "", "", "", "key.pem", "", ""),
         "a PEM certificate chain and its key go together: give both"},
        {request("app.p12", "pw.txt", "PW", "", "", "", ""),
         "give the signing password from a file or from a variable, not both"},
        {request("", "pw.txt", "", "", "", "", ""),
         "a signing password or timestamp URL needs a PKCS #12 file or a PEM certificate and key"},
        {request("", "", "", "", "", "http://ts.example", ""),
         "a signing password or timestamp URL needs a PKCS #12 file"},
    };
    for (const auto& [request, message] : cases)
        EXPECT_EXIT(checkSigningRequest(request), testing::ExitedWithCode(2), message);
    EXPECT_FALSE(wantsSignature(SigningRequest{}));
    EXPECT_EXIT(signExecutable("in.exe", "out.exe", SigningRequest{}), testing::ExitedWithCode(2),
                "signing needs a PKCS #12 file, a PEM certificate chain and its key, a key on a "
                "token, or a sign command");
}

}  // namespace
}  // namespace trellane
