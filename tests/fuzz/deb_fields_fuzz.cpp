// Hostile values through the checks a Debian package's control file is written after: the
// maintainer's name (--vendor), the synopsis (--description) and a field's length. What a
// check lets through is one line of UTF-8 text (by a reader of our own, written apart from
// the one checked), never blank, with nothing that would end the Maintainer's name early;
// and the control file made of it holds exactly its fields, one line each.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "package/installers/deb/deb_control.h"
#include "package/installers/deb/deb_fields.h"

using namespace trellane;

namespace {

// The characters of text, or false when it is not well-formed UTF-8: RFC 3629's table of
// byte ranges, taken the other way round from the checked reader.
bool decodeUtf8(const std::string& text, std::vector<uint32_t>& characters) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0, size = text.size();
    auto in = [&](size_t at, unsigned low, unsigned high) {
        return at < size && bytes[at] >= low && bytes[at] <= high;
    };
    while (i < size) {
        unsigned b = bytes[i];
        if (b <= 0x7F) {
            characters.push_back(b), i += 1;
        } else if (b >= 0xC2 && b <= 0xDF && in(i + 1, 0x80, 0xBF)) {
            characters.push_back((b & 0x1F) << 6 | (bytes[i + 1] & 0x3F)), i += 2;
        } else if (b >= 0xE0 && b <= 0xEF &&
                   in(i + 1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF)) {
            characters.push_back((b & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 |
                                 (bytes[i + 2] & 0x3F)),
                i += 3;
        } else if (b >= 0xF0 && b <= 0xF4 &&
                   in(i + 1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            characters.push_back((b & 0x07) << 18 | (bytes[i + 1] & 0x3F) << 12 |
                                 (bytes[i + 2] & 0x3F) << 6 | (bytes[i + 3] & 0x3F)),
                i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// One line of text without controls, with something besides spaces in it.
void checkPlainLine(const std::string& text) {
    std::vector<uint32_t> characters;
    FUZZ_CHECK(decodeUtf8(text, characters));
    bool seen = false;
    for (uint32_t c : characters) {
        FUZZ_CHECK(c >= 0x20 && !(c >= 0x7F && c <= 0x9F));
        seen = seen || c != ' ';
    }
    FUZZ_CHECK(seen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    std::string name = input.longText(), synopsis = input.longText(), package = input.text();
    if (package.empty()) package = "hello";

    std::vector<uint32_t> characters;
    bool utf8 = decodeUtf8(name, characters);
    if (utf8)
        FUZZ_CHECK(fieldLengthProblem(name).empty() ==
                   (characters.size() <= kMaxControlFieldLength));

    bool nameTaken = contactNameProblem(name).empty();
    if (nameTaken) {
        checkPlainLine(name);
        FUZZ_CHECK(name.find_first_of("\"(),:;<>@[\\]") == std::string::npos);
        FUZZ_CHECK(name[name.find_first_not_of(' ')] != '.');
        FUZZ_CHECK(utf8 && characters.size() <= kMaxControlFieldLength);
    }
    bool synopsisTaken = synopsisProblem(synopsis, package).empty();
    if (synopsisTaken) {
        checkPlainLine(synopsis);
        size_t word = synopsis.find_first_not_of(' ');
        size_t space = synopsis.find(' ', word);
        FUZZ_CHECK(space != std::string::npos &&
                   synopsis.find_first_not_of(' ', space) != std::string::npos);
    }

    if (nameTaken && synopsisTaken) {
        DebDescription deb;
        deb.package = "hello";
        deb.version = "1.0-1";
        deb.architecture = "amd64";
        deb.maintainer = name + " <packages@example.com>";
        deb.section = "misc";
        deb.synopsis = synopsis;
        deb.extended = "hello with its own Java runtime.";
        std::string control = debControl(deb, 1, {});
        // Package, Version, Architecture, Maintainer, Installed-Size, Section, Priority,
        // Description and its one further line.
        size_t lines = 0;
        for (char c : control) lines += c == '\n';
        FUZZ_CHECK(lines == 9);
        size_t maintainer = control.find("\nMaintainer: ");
        FUZZ_CHECK(maintainer != std::string::npos);
        std::string line =
            control.substr(maintainer + 13, control.find('\n', maintainer + 1) - (maintainer + 13));
        FUZZ_CHECK(line.find('<') == name.size() + 1 && line.find('>') == line.size() - 1);
    }
    return 0;
}
