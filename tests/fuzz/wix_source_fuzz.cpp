// The WiX source trellane-package hands wixl, with every text of the command line and of the
// input in it: each text must come back from the attribute it is written in (XML's entities and
// wixl's '$' variable undone), a formatted column's text must show as itself ([\x] undone), and
// the whole source must stay XML whose elements nest, whatever the names hold.
#include <cctype>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "package/installers/msi/msi_source.h"

namespace trellane {
namespace {

const std::string kDollar = std::string("$(var.") + kWixlDollarVariable + ")";

// An attribute's value as an XML reader and wixl's preprocessor read it; false when the value
// holds what either would take for something else.
bool readAttribute(const std::string& written, std::string& text) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    text.clear();
    for (size_t i = 0; i < written.size();) {
        char c = written[i];
        if (c == '<' || c == '"') return false;
        if (c == '&') {
            bool known = false;
            for (const auto& [entity, character] : kEntities) {
                if (written.compare(i, std::string(entity).size(), entity) == 0) {
                    text += character;
                    i += std::string(entity).size();
                    known = true;
                    break;
                }
            }
            if (!known) return false;
        } else if (c == '$') {
            if (written.compare(i, kDollar.size(), kDollar) != 0) return false;
            text += '$';
            i += kDollar.size();
        } else {
            text += c;
            ++i;
        }
    }
    return true;
}

// Windows Installer's formatted text: "[\x]" is x; any other bracket or brace would be read as
// a property, a file's path or a component's.
bool readFormatted(const std::string& formatted, std::string& text) {
    text.clear();
    for (size_t i = 0; i < formatted.size(); ++i) {
        char c = formatted[i];
        if (c == '[' && i + 3 < formatted.size() + 0 && formatted[i + 1] == '\\' &&
            formatted[i + 3] == ']') {
            text += formatted[i + 2];
            i += 3;
        } else if (c == '[' || c == ']' || c == '{' || c == '}') {
            return false;
        } else {
            text += c;
        }
    }
    return true;
}

// The elements of the document, checked to nest, with every attribute's value read back; the
// values of each attribute name collected.
void readDocument(const std::string& xml, std::multiset<std::string>& fileNames) {
    std::vector<std::string> open;
    size_t i = 0;
    while ((i = xml.find('<', i)) != std::string::npos) {
        if (xml.compare(i, 4, "<!--") == 0) {
            size_t end = xml.find("-->", i);
            FUZZ_CHECK(end != std::string::npos);
            i = end + 3;
            continue;
        }
        if (xml.compare(i, 2, "<?") == 0) {
            i = xml.find("?>", i) + 2;
            continue;
        }
        bool closing = xml[i + 1] == '/';
        size_t nameStart = i + (closing ? 2 : 1);
        size_t at = nameStart;
        while (at < xml.size() && std::isalnum(static_cast<unsigned char>(xml[at]))) ++at;
        std::string element = xml.substr(nameStart, at - nameStart);
        FUZZ_CHECK(!element.empty());
        if (closing) {
            FUZZ_CHECK(!open.empty() && open.back() == element);
            open.pop_back();
            FUZZ_CHECK(xml[at] == '>');
            i = at + 1;
            continue;
        }
        // Attributes: ' name="value"', until '>' or '/>'.
        while (xml[at] == ' ') {
            size_t equals = xml.find("=\"", at);
            FUZZ_CHECK(equals != std::string::npos);
            std::string attribute = xml.substr(at + 1, equals - at - 1);
            for (char c : attribute) FUZZ_CHECK(std::isalnum(static_cast<unsigned char>(c)));
            size_t end = xml.find('"', equals + 2);
            FUZZ_CHECK(end != std::string::npos);
            std::string value;
            FUZZ_CHECK(readAttribute(xml.substr(equals + 2, end - equals - 2), value));
            if (element == "File" && attribute == "Name") fileNames.insert(value);
            at = end + 1;
        }
        if (xml.compare(at, 2, "/>") == 0) {
            i = at + 2;
        } else {
            FUZZ_CHECK(xml[at] == '>');
            open.push_back(element);
            i = at + 1;
        }
    }
    FUZZ_CHECK(open.empty());
}

}  // namespace
}  // namespace trellane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trellane;
    fuzz::FuzzInput input(data, size);
    MsiSource source;
    source.name = input.text();
    source.vendor = input.text();
    source.description = input.text();
    source.aboutUrl = input.text();
    source.menuGroup = input.text();
    source.menu = !source.menuGroup.empty();
    source.desktop = input.byte() & 1;
    source.perUser = input.byte() & 1;
    source.installDir = {input.text(), input.text()};
    source.upgradeCode = "{098CFCD3-6EDC-47F6-BED4-7C65D4E2F5FA}";
    source.productCode = source.upgradeCode;
    source.version.productVersion = input.text();
    source.image = "image";
    source.productIcon = "product.ico";
    source.launcher = "bin/launcher.exe";
    FileAssociation association;
    association.extension = input.text();
    association.description = input.text();
    if (!association.extension.empty()) source.associations.push_back(association);

    // A folder of files named by the input, and the launcher beside it.
    std::multiset<std::string> names = {"launcher.exe"};
    source.entries = {{"bin", true}, {"bin/launcher.exe", false}, {"app", true}};
    for (int count = input.byte() % 8; count > 0; --count) {
        std::string name = input.text();
        if (name.empty() || name.find('/') != std::string::npos) continue;
        source.entries.push_back({"app/" + name, false});
        names.insert(name);
    }

    for (const std::string& text :
         {source.name, source.vendor, source.description, association.description}) {
        std::string back;
        FUZZ_CHECK(readAttribute(wixAttributeText(text), back) && back == text);
        FUZZ_CHECK(readFormatted(formattedLiteral(text), back) && back == text);
    }

    std::multiset<std::string> fileNames;
    readDocument(writeWixSource(source), fileNames);
    FUZZ_CHECK(fileNames == names);
    return 0;
}
