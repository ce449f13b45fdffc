#include "common/jpackage_values.h"

#include <cstring>

namespace trellane {

namespace {

const char kSpaces[] = " \t\r\n\f\v";

// Options the JVM takes only in their one-piece form (NAME=VALUE); the java command also
// takes NAME VALUE, and so do jpackage's launchers.
const char* const kJoinedOptions[] = {
    "--add-opens",   "--add-exports",         "--add-reads",         "--add-modules",
    "--patch-module", "--enable-native-access", "--module-path",      "--upgrade-module-path",
    "--limit-modules"};

struct JavaCommandOption {
    const char* name;
    bool prefix;  // name starts the option ("-splash:", "@") rather than being it
    const char* why;
};

const char kClassPath[] =
    "sets the class path, which the image makes from its jars: put the jar into --input (every "
    "jar there is on the class path), or name a folder of jars with --class-path-wildcard";
const char kClassPathAsProperty[] =
    "sets the class path the java command's way, which the JVM does not read: give it as "
    "-Djava.class.path=PATH";
const char kClassPathProperty[] = "-Djava.class.path=";
const char kWhatToRun[] =
    "says what java runs; the launcher runs --main-class (by default the main jar's "
    "Main-Class), or the main module of --module MODULE[/CLASS]: leave it out";
const char kPrints[] =
    "makes the java command print (a version, help, settings), and the JVM the launcher "
    "starts does not know it: leave it out";
const char kJavaCommandOnly[] =
    "is an option of the java command that the JVM the launcher starts does not know, so the "
    "application would not start: leave it out";

const JavaCommandOption kJavaCommandOptions[] = {
    {"-cp", false, kClassPath},
    {"-classpath", false, kClassPath},
    {"--class-path", false, kClassPath},
    {"--class-path=", true, kClassPath},
    {kClassPathProperty, true, kClassPath},
    {"-jar", false, kWhatToRun},
    {"-m", false, kWhatToRun},
    {"--module", false, kWhatToRun},
    {"--module=", true, kWhatToRun},
    {"--source", false, kWhatToRun},
    {"--source=", true, kWhatToRun},
    {"-version", false, kPrints},
    {"--version", false, kPrints},
    {"-showversion", false, kPrints},
    {"--show-version", false, kPrints},
    {"-fullversion", false, kPrints},
    {"--full-version", false, kPrints},
    {"-help", false, kPrints},
    {"--help", false, kPrints},
    {"-h", false, kPrints},
    {"-?", false, kPrints},
    {"-X", false, kPrints},
    {"--help-extra", false, kPrints},
    {"--dry-run", false, kPrints},
    {"--list-modules", false, kPrints},
    {"-d", false, kPrints},
    {"--describe-module", false, kPrints},
    {"--describe-module=", true, kPrints},
    {"--validate-modules", false, kPrints},
    {"-XshowSettings", true, kPrints},
    {"-Xinternalversion", false, kPrints},
    {"-Djdk.module.main=", true,
     "names the main module, which the launcher roots itself: give it as --module "
     "MODULE[/CLASS]"},
    {"@", true,
     "is an argument file, which only the java command reads: give the options it holds "
     "instead"},
    {"-server", false, kJavaCommandOnly},
    {"-client", false, kJavaCommandOnly},
    {"-d32", false, kJavaCommandOnly},
    {"-d64", false, kJavaCommandOnly},
    {"-Xdiag", false, kJavaCommandOnly},
    {"-Xfuture", false, kJavaCommandOnly},
    {"--disable-@files", false, kJavaCommandOnly},
    {"--show-module-resolution", false, kJavaCommandOnly},
    {"-XstartOnFirstThread", false, kJavaCommandOnly},
    {"-Xdock:", true, kJavaCommandOnly},
};

const char* const kPlaceholders[] = {"$APPDIR", "$BINDIR", "$ROOTDIR"};

bool startsWith(const std::string& text, const char* start) {
    return text.compare(0, std::strlen(start), start) == 0;
}

const JavaCommandOption* javaCommandOption(const std::string& option) {
    for (const JavaCommandOption& known : kJavaCommandOptions)
        if (known.prefix ? startsWith(option, known.name) : option == known.name) return &known;
    return nullptr;
}

// The one-piece name for an option that takes its value as the next piece, or nullptr.
const char* joinedName(const std::string& option) {
    if (option == "-p") return "--module-path";
    for (const char* name : kJoinedOptions)
        if (option == name) return name;
    return nullptr;
}

// jpackage's placeholders as the launcher's "&&" forms. "&&" is the app folder with a
// separator at its end; the launcher knows no other folder, so bin/ and the root are reached
// from it.
std::string translatePlaceholders(const std::string& option, PathStyle style) {
    const bool windows = style == PathStyle::Windows;
    std::string result;
    size_t at = 0;
    while (at < option.size()) {
        if (option.compare(at, 7, "$APPDIR") == 0) {
            result += "&&";
            at += 7;
            if (at < option.size() && (option[at] == '/' || option[at] == '\\')) ++at;
        } else if (option.compare(at, 7, "$BINDIR") == 0) {
            result += windows ? "&&..\\bin" : "&&../bin";
            at += 7;
        } else if (option.compare(at, 8, "$ROOTDIR") == 0) {
            result += "&&..";
            at += 8;
        } else {
            result += option[at++];
        }
    }
    return result;
}

// "-Dapp.title=My" followed by "App": the value as it needed writing, "-Dapp.title=\"My App\"".
std::string quotedHint(const std::string& before, const std::string& piece) {
    size_t equals = before.find('=');
    if (equals == std::string::npos || before.empty() || before[0] != '-') return "";
    return "; a value with spaces needs quotes: " + before.substr(0, equals + 1) + "\"" +
           before.substr(equals + 1) + " " + piece + "\"";
}

JpackageValues withProblem(std::string problem) {
    JpackageValues result;
    result.problem = std::move(problem);
    return result;
}

}  // namespace

bool splitJpackageValue(const std::string& value, std::vector<std::string>& pieces,
                        std::string& problem) {
    pieces.clear();
    std::string piece;
    bool inPiece = false;
    char quote = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size() && (value[i + 1] == '"' || value[i + 1] == '\'')) {
            piece += value[++i];
            inPiece = true;
        } else if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                piece += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inPiece = true;
        } else if (std::strchr(kSpaces, c) != nullptr && c != '\0') {
            if (inPiece) pieces.push_back(piece);
            piece.clear();
            inPiece = false;
        } else {
            piece += c;
            inPiece = true;
        }
    }
    if (quote != 0) {
        problem = std::string("a ") + quote + " quote is not closed";
        pieces.clear();
        return false;
    }
    if (inPiece) pieces.push_back(piece);
    return true;
}

JpackageValues javaOptionsFromJpackage(const std::vector<std::string>& values, PathStyle style,
                                       ClassPathSource classPath) {
    // One list, as jpackage's launcher gets it: a module option may take its value from the
    // next --java-options.
    std::vector<std::string> pieces;
    for (const std::string& value : values) {
        std::vector<std::string> split;
        std::string problem;
        if (!splitJpackageValue(value, split, problem))
            return withProblem("--java-options '" + value + "': " + problem);
        for (std::string& piece : split)
            if (!piece.empty()) pieces.push_back(std::move(piece));
    }
    JpackageValues result;
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::string option = pieces[i];
        if (const char* name = joinedName(option)) {
            if (i + 1 == pieces.size() || pieces[i + 1][0] == '-')
                return withProblem(option + " in --java-options needs its value after it (" +
                                   option + " VALUE, or " + name + "=VALUE)");
            option = std::string(name) + "=" + pieces[++i];
        }
        // The launcher's own option: the splash screen it shows before the JVM starts.
        if (option == "-splash:")
            return withProblem(
                "-splash: in --java-options names no image: write -splash:$APPDIR/splash.png");
        const JavaCommandOption* known = javaCommandOption(option);
        bool classPathHere =
            known != nullptr && known->why == kClassPath && classPath == ClassPathSource::Options;
        // The class path given as the options give it: the one form the JVM reads.
        if (classPathHere && startsWith(option, kClassPathProperty)) known = nullptr;
        if (known != nullptr)
            return withProblem(option + " in --java-options " +
                               (classPathHere ? kClassPathAsProperty : known->why));
        if (option[0] != '-')
            return withProblem(option +
                               " in --java-options is not a JVM option (each starts with '-'): "
                               "values are split at spaces, as jpackage splits them" +
                               quotedHint(i > 0 ? pieces[i - 1] : "", option));
        result.items.push_back(translatePlaceholders(option, style));
    }
    return result;
}

JpackageValues argumentsFromJpackage(const std::vector<std::string>& values) {
    JpackageValues result;
    for (const std::string& value : values) {
        std::vector<std::string> pieces;
        std::string problem;
        if (!splitJpackageValue(value, pieces, problem))
            return withProblem("--arguments '" + value + "': " + problem);
        for (const std::string& argument : pieces) {
            for (const char* placeholder : kPlaceholders)
                if (argument.find(placeholder) != std::string::npos)
                    return withProblem(
                        std::string(placeholder) +
                        " in --arguments: the launcher hands default arguments to main as "
                        "written, with no placeholders; pass the path as a JVM option "
                        "(--java-options '-Dapp.dir=" +
                        placeholder + "') and read it with System.getProperty");
            result.items.push_back(argument);
        }
    }
    return result;
}

}  // namespace trellane
