// The values of --java-options and --arguments, taken as jpackage takes them, so a packaging
// script written for it gives an image that starts or a refusal, never an image that fails at
// every start. Both host tools read these options through here.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// How the image's launcher writes paths: the placeholders become paths in its style.
enum class PathStyle { Windows, Linux };

// Where the class path comes from: trellane-package makes it from the image's jars, so a
// class path among the options is a problem; trellane-stamp knows no jars and takes it as the
// JVM option -Djava.class.path=.
enum class ClassPathSource { Image, Options };

struct JpackageValues {
    std::vector<std::string> items;  // the JVM options, or the arguments, in order
    std::string problem;             // empty when all were taken; else what is wrong, what to do
};

// Splits one value as jpackage does: spaces, tabs and line ends separate pieces; "..." and
// '...' group (each may hold the other kind); \" and \' are quote characters taken as they
// are, anywhere; every other backslash is an ordinary character; quoted and unquoted text
// written together is one piece. A quote left open is a problem. An empty value gives no
// piece, "" one empty piece.
bool splitJpackageValue(const std::string& value, std::vector<std::string>& pieces,
                        std::string& problem);

// The JVM options that --java-options values give:
// - each piece is one JVM option (empty ones are dropped, as jpackage drops them);
// - a module option and its value written as two pieces (--add-opens X, --add-exports,
//   --add-reads, --add-modules, --patch-module, --enable-native-access, --module-path or -p,
//   --upgrade-module-path, --limit-modules) become the one option the JVM takes
//   (--add-opens=X);
// - $APPDIR, $BINDIR and $ROOTDIR become the launcher's own "&&" forms: "&&" (a separator
//   right after $APPDIR is dropped, as "&&" ends in one), "&&../bin" and "&&.." (backslashes
//   for Windows);
// - -splash:IMAGE stays, for the launcher, which shows the splash itself (an image is needed);
// - options only the java command understands (-cp, -jar, -m, -version, -X, @file,
//   -server, ...), -Djdk.module.main= (--module's), a class path of its own (but -Djava.class.path=
//   when the options give the class path), a piece that is no option and a module option without
//   its value are a problem that says what to do instead.
JpackageValues javaOptionsFromJpackage(const std::vector<std::string>& values, PathStyle style,
                                       ClassPathSource classPath = ClassPathSource::Image);

// The default arguments that --arguments values give: each piece one argument, "" an empty
// one. The launcher hands them to main as written, so jpackage's placeholders are a problem.
JpackageValues argumentsFromJpackage(const std::vector<std::string>& values);

}  // namespace trellane
