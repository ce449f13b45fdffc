// What an MSI can hold of a text, against the C library's own Windows-1252 converter: a text
// passes exactly when iconv converts it whole, and Windows' case-blind comparison of names
// treats a name and its upper- and lower-case forms (as iconv's round trip through
// Windows-1252 and the C library's towupper give them) as one.
#include <iconv.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "package/installers/msi/msi_limits.h"

namespace trellane {
namespace {

bool convert(const char* to, const char* from, const std::string& text, std::string& out) {
    iconv_t converter = iconv_open(to, from);
    FUZZ_CHECK(converter != reinterpret_cast<iconv_t>(-1));
    out.assign(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* at = &out[0];
    size_t outLeft = out.size();
    bool whole = iconv(converter, &in, &inLeft, &at, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return whole && inLeft == 0;
}

// A Windows-1252 character's upper case as UTF-8; its own when Windows-1252 has no upper
// case for it (ß, µ).
std::string upperCase(char c) {
    static const bool localeSet = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    FUZZ_CHECK(localeSet);
    std::string one(1, c), wide, own, shifted;
    FUZZ_CHECK(convert("WCHAR_T", "CP1252", one, wide) && wide.size() == sizeof(wchar_t));
    FUZZ_CHECK(convert("UTF-8", "CP1252", one, own));
    wchar_t character;
    std::memcpy(&character, wide.data(), sizeof character);
    wchar_t upper = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(character)));
    std::string upperBytes(reinterpret_cast<const char*>(&upper), sizeof upper);
    if (!convert("UTF-8", "WCHAR_T", upperBytes, shifted) || !outsideWindows1252(shifted).empty())
        return own;
    return shifted;
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    fuzz::FuzzInput input(data, size);
    std::string text = input.rest();
    std::string bytes;
    bool representable = convert("CP1252", "UTF-8", text, bytes);
    FUZZ_CHECK(outsideWindows1252(text).empty() == representable);
    if (!representable) return 0;

    // Each Windows-1252 character's upper case by the C library, back to UTF-8: the same key.
    std::string upper;
    for (char c : bytes) upper += upperCase(c);
    FUZZ_CHECK(windowsCaseKey(text) == windowsCaseKey(upper));
    FUZZ_CHECK(windowsCaseKey(upper) == upper);
    return 0;
}
