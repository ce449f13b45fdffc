#include "common/jpackage_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trellane {
namespace {

using Strings = std::vector<std::string>;

// Each value against the pieces jpackage 17 wrote into its launcher configuration for it.
TEST(SplitJpackageValue, SplitsAsJpackageDoes) {
    const std::pair<std::string, Strings> cases[] = {
        {"-Xmx64m -Dk=\"a b\"", {"-Xmx64m", "-Dk=a b"}},
        {"-Da='x y' -Db=\"q\"r", {"-Da=x y", "-Db=qr"}},
        {"-Dc=a\\\"b", {"-Dc=a\"b"}},
        {"-Da=x\\y -Db=x\\\\y", {"-Da=x\\y", "-Db=x\\\\y"}},
        {"-Dc=\"p\\\"q\"", {"-Dc=p\"q"}},
        {"-Dd=\"it's\" -De='say \"hi\"'", {"-Dd=it's", "-De=say \"hi\""}},
        {"-Da=it\\'s -Db='x\\'y'", {"-Da=it's", "-Db=x'y"}},
        {"-Dc=a\"b c\"d", {"-Dc=ab cd"}},
        {"-Dd=end\\", {"-Dd=end\\"}},
        {"-Da=x\\\\\"y z\" -Db=\"p\\'q", {"-Da=x\\\"y", "z -Db=p'q"}},
        {"-Dh=1\t-Dx=2\n -Dy=3\r\n", {"-Dh=1", "-Dx=2", "-Dy=3"}},
        {"\"\" '' a\"\"b", {"", "", "ab"}},
        {"", {}},
        {"   ", {}},
        {"caf\xC3\xA9 \"日本 語\"", {"caf\xC3\xA9", "日本 語"}},
    };
    for (const auto& [value, expected] : cases) {
        Strings pieces;
        std::string problem;
        EXPECT_TRUE(splitJpackageValue(value, pieces, problem)) << value << ": " << problem;
        EXPECT_EQ(pieces, expected) << value;
    }
}

TEST(SplitJpackageValue, AQuoteLeftOpenIsAProblem) {
    const std::pair<std::string, std::string> cases[] = {
        {"-Dx=\"abc", "a \" quote is not closed"},
        {"-Dx='abc", "a ' quote is not closed"},
        {"-Dx=\"a'b", "a \" quote is not closed"},
        {"a 'b\\'", "a ' quote is not closed"},
    };
    for (const auto& [value, expected] : cases) {
        Strings pieces{"left over"};
        std::string problem;
        EXPECT_FALSE(splitJpackageValue(value, pieces, problem)) << value;
        EXPECT_EQ(problem, expected) << value;
        EXPECT_TRUE(pieces.empty()) << value;
    }
}

TEST(JavaOptionsFromJpackage, GivesTheOptionsTheJvmTakes) {
    const struct {
        Strings values;
        PathStyle style;
        Strings options;
    } cases[] = {
        {{"-Xmx64m -Dk=\"a b\""}, PathStyle::Linux, {"-Xmx64m", "-Dk=a b"}},
        {{"-Xmx64m", "", "\"\"", "-Xss2m"}, PathStyle::Linux, {"-Xmx64m", "-Xss2m"}},
        {{"--add-opens java.base/java.lang=ALL-UNNAMED --add-exports",
          "java.base/sun.nio.ch=ALL-UNNAMED"},
         PathStyle::Linux,
         {"--add-opens=java.base/java.lang=ALL-UNNAMED",
          "--add-exports=java.base/sun.nio.ch=ALL-UNNAMED"}},
        {{"--add-reads m=ALL-UNNAMED --add-modules java.sql,java.xml --patch-module m=p.jar "
          "--enable-native-access ALL-UNNAMED -p &&mods --upgrade-module-path u "
          "--limit-modules java.base"},
         PathStyle::Linux,
         {"--add-reads=m=ALL-UNNAMED", "--add-modules=java.sql,java.xml", "--patch-module=m=p.jar",
          "--enable-native-access=ALL-UNNAMED", "--module-path=&&mods", "--upgrade-module-path=u",
          "--limit-modules=java.base"}},
        {{"--add-opens=java.base/java.io=ALL-UNNAMED"},
         PathStyle::Linux,
         {"--add-opens=java.base/java.io=ALL-UNNAMED"}},
        {{"-Da=$APPDIR -Db=$APPDIR/data -Dc=$APPDIR\\data -Dd=$BINDIR -De=$BINDIR/x.dll "
          "-Df=$ROOTDIR -Dg=$ROOTDIR/lib -Dh=$APPDIRX -Di=$$APPDIR -Dj=&&keep"},
         PathStyle::Linux,
         {"-Da=&&", "-Db=&&data", "-Dc=&&data", "-Dd=&&../bin", "-De=&&../bin/x.dll", "-Df=&&..",
          "-Dg=&&../lib", "-Dh=&&X", "-Di=$&&", "-Dj=&&keep"}},
        {{"-Djava.library.path=$BINDIR;$APPDIR\\native -Dr=$ROOTDIR\\conf"},
         PathStyle::Windows,
         {"-Djava.library.path=&&..\\bin;&&native", "-Dr=&&..\\conf"}},
        {{"-ea -da:com.x... -XX:+UseSerialGC -verbose:gc --enable-preview "
          "-javaagent:&&agent.jar -Xshare:auto"},
         PathStyle::Linux,
         {"-ea", "-da:com.x...", "-XX:+UseSerialGC", "-verbose:gc", "--enable-preview",
          "-javaagent:&&agent.jar", "-Xshare:auto"}},
        // The launcher's splash screen, a file or a jar's entry.
        {{"-splash:$APPDIR/splash.png", "-splash:jar:$APPDIR/app.jar!/images/splash.gif"},
         PathStyle::Linux,
         {"-splash:&&splash.png", "-splash:jar:&&app.jar!/images/splash.gif"}},
        {{"-splash:$APPDIR\\splash.png"}, PathStyle::Windows, {"-splash:&&splash.png"}},
    };
    for (const auto& c : cases) {
        JpackageValues result = javaOptionsFromJpackage(c.values, c.style);
        EXPECT_EQ(result.problem, "") << c.values[0];
        EXPECT_EQ(result.items, c.options) << c.values[0];
    }
}

TEST(JavaOptionsFromJpackage, RefusesWhatOnlyTheJavaCommandUnderstands) {
    const char kClassPath[] =
        " in --java-options sets the class path, which the image makes from its jars: put the "
        "jar into --input (every jar there is on the class path), or name a folder of jars "
        "with --class-path-wildcard";
    const char kWhatToRun[] =
        " in --java-options says what java runs; the launcher runs --main-class (by default "
        "the main jar's Main-Class), or the main module of --module MODULE[/CLASS]: leave it "
        "out";
    const char kPrints[] =
        " in --java-options makes the java command print (a version, help, settings), and the "
        "JVM the launcher starts does not know it: leave it out";
    const char kJavaOnly[] =
        " in --java-options is an option of the java command that the JVM the launcher starts "
        "does not know, so the application would not start: leave it out";
    const std::pair<std::string, std::string> cases[] = {
        {"-Xmx1g -cp lib/x.jar", std::string("-cp") + kClassPath},
        {"-classpath x", std::string("-classpath") + kClassPath},
        {"--class-path=x", std::string("--class-path=x") + kClassPath},
        {"-Djava.class.path=&&x.jar", std::string("-Djava.class.path=&&x.jar") + kClassPath},
        {"-jar app.jar", std::string("-jar") + kWhatToRun},
        {"-m app/app.Main", std::string("-m") + kWhatToRun},
        {"--module=app", std::string("--module=app") + kWhatToRun},
        {"--source 17", std::string("--source") + kWhatToRun},
        {"-version", std::string("-version") + kPrints},
        {"-showversion", std::string("-showversion") + kPrints},
        {"--dry-run", std::string("--dry-run") + kPrints},
        {"-X", std::string("-X") + kPrints},
        {"-XshowSettings:all", std::string("-XshowSettings:all") + kPrints},
        {"--list-modules", std::string("--list-modules") + kPrints},
        {"-splash:",
         "-splash: in --java-options names no image: write "
         "-splash:$APPDIR/splash.png"},
        {"-Djdk.module.main=app",
         "-Djdk.module.main=app in --java-options names the main module, which the launcher "
         "roots itself: give it as --module MODULE[/CLASS]"},
        {"@options.txt",
         "@options.txt in --java-options is an argument file, which only the java command "
         "reads: give the options it holds instead"},
        {"-server", std::string("-server") + kJavaOnly},
        {"-d64", std::string("-d64") + kJavaOnly},
        {"--disable-@files", std::string("--disable-@files") + kJavaOnly},
        {"--add-opens",
         "--add-opens in --java-options needs its value after it (--add-opens VALUE, or "
         "--add-opens=VALUE)"},
        {"-p -Xmx1g",
         "-p in --java-options needs its value after it (-p VALUE, or "
         "--module-path=VALUE)"},
        {"-Dapp.title=My App",
         "App in --java-options is not a JVM option (each starts with '-'): values are split at "
         "spaces, as jpackage splits them; a value with spaces needs quotes: "
         "-Dapp.title=\"My App\""},
        {"Xmx1g",
         "Xmx1g in --java-options is not a JVM option (each starts with '-'): values "
         "are split at spaces, as jpackage splits them"},
        {"-Dk=\"a b", "--java-options '-Dk=\"a b': a \" quote is not closed"},
    };
    for (const auto& [value, problem] : cases) {
        JpackageValues result = javaOptionsFromJpackage({"-Xss1m", value}, PathStyle::Linux);
        EXPECT_EQ(result.problem, problem) << value;
        EXPECT_TRUE(result.items.empty()) << value;
    }
}

// trellane-stamp knows no jars: the class path is one of its options, in the form the JVM
// reads.
TEST(JavaOptionsFromJpackage, TakesTheClassPathWhereTheOptionsGiveIt) {
    JpackageValues result =
        javaOptionsFromJpackage({"-Djava.class.path=$APPDIR\\app.jar;$APPDIR\\lib\\*", "-Xmx1g"},
                                PathStyle::Windows, ClassPathSource::Options);
    EXPECT_EQ(result.problem, "");
    EXPECT_EQ(result.items, (Strings{"-Djava.class.path=&&app.jar;&&lib\\*", "-Xmx1g"}));
    for (const char* value : {"-cp app.jar", "-classpath app.jar", "--class-path=app.jar"}) {
        result = javaOptionsFromJpackage({value}, PathStyle::Linux, ClassPathSource::Options);
        EXPECT_NE(result.problem.find(" in --java-options sets the class path the java command's "
                                      "way, which the JVM does not read: give it as "
                                      "-Djava.class.path=PATH"),
                  std::string::npos)
            << value << ": " << result.problem;
    }
    result = javaOptionsFromJpackage({"-Djava.class.path=a.jar"}, PathStyle::Linux);
    EXPECT_NE(result.problem.find("sets the class path, which the image makes from its jars"),
              std::string::npos)
        << result.problem;
}

TEST(ArgumentsFromJpackage, SplitsAndKeepsEmptyArgumentsButNoPlaceholders) {
    JpackageValues result =
        argumentsFromJpackage({"one \"two three\"", "'four five'", "", "\"\"", "--x=&&y"});
    EXPECT_EQ(result.problem, "");
    EXPECT_EQ(result.items, (Strings{"one", "two three", "four five", "", "--x=&&y"}));

    for (const char* placeholder : {"$APPDIR", "$BINDIR", "$ROOTDIR"}) {
        result = argumentsFromJpackage({std::string("--data=") + placeholder + "/data"});
        EXPECT_EQ(result.problem,
                  std::string(placeholder) +
                      " in --arguments: the launcher hands default arguments to main as "
                      "written, with no placeholders; pass the path as a JVM option "
                      "(--java-options '-Dapp.dir=" +
                      placeholder + "') and read it with System.getProperty");
    }
    result = argumentsFromJpackage({"'open"});
    EXPECT_EQ(result.problem, "--arguments ''open': a ' quote is not closed");
}

}  // namespace
}  // namespace trellane
