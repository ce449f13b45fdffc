#include "common/argument_files.h"

#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/shown_text.h"
#include "common/text_split.h"

namespace trellane {

bool splitArgumentLine(const std::string& line, std::vector<std::string>& arguments) {
    std::string current;
    bool inArgument = false;
    char quote = 0;
    for (char c : line) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                current += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inArgument = true;  // "" is an empty argument, not nothing
        } else if (c == ' ' || c == '\t') {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quote != 0) return false;
    if (inArgument) arguments.push_back(current);
    return true;
}

namespace {

// Far more than any packaging description; a larger file is not one.
constexpr size_t kMaxArgumentFileSize = size_t{1} << 20;

void readArgumentFile(const std::string& path, std::vector<std::string>& arguments) {
    std::string text, problem;
    if (!readRegularFile(path, kMaxArgumentFileSize, text, problem))
        refuse("cannot read the argument file @%s: %s", shownName(path).c_str(), problem.c_str());
    unsigned number = 0;
    for (const std::string& line : splitLines(text)) {
        ++number;
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        if (!splitArgumentLine(line, arguments))
            refuseUsage("%s:%u: a quote is not closed", shownName(path).c_str(), number);
    }
}

}  // namespace

std::vector<std::string> expandArgumentFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> expanded;
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '@')
            readArgumentFile(argument.substr(1), expanded);
        else
            expanded.push_back(argument);
    }
    return expanded;
}

}  // namespace trellane
