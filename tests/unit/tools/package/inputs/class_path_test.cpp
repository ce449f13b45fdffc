#include "package/inputs/class_path.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(ClassPathOption, ListsTheMainJarFirstAndTheRuntimeJarLast) {
    ClassPathPlan plan;
    plan.mainJar = "app.jar";
    plan.jars = {
        "app.jar", "lib/a.jar", "lib/sub/deep.jar", "plugins/p.jar", "trellane-runtime.jar",
        "z.jar"};
    EXPECT_EQ(classPathOption(plan),
              "-Djava.class.path=&&app.jar:&&lib/a.jar:&&lib/sub/deep.jar:&&plugins/p.jar:"
              "&&z.jar:&&trellane-runtime.jar");

    // A wildcard folder stands for the jars directly in it, not for those of its subfolders.
    plan.wildcardFolders = {"lib", "plugins"};
    plan.separator = ';';
    EXPECT_EQ(classPathOption(plan),
              "-Djava.class.path=&&app.jar;&&lib/sub/deep.jar;&&z.jar;&&lib/*.jar;"
              "&&plugins/*.jar;&&trellane-runtime.jar");

    plan.mainJar = "lib/a.jar";
    plan.wildcardFolders = {};
    plan.jars = {"lib/a.jar"};
    EXPECT_EQ(classPathOption(plan), "-Djava.class.path=&&lib/a.jar;&&trellane-runtime.jar");
}

TEST(ClassPathEntriesOutside, NamesWhatLeadsOutOfTheAppFolder) {
    struct Case {
        const char* jar;
        const char* classPath;
        std::vector<std::string> outside;
    } cases[] = {
        {"app.jar", "lib/a.jar  b.jar ./c.jar", {}},
        {"lib/a.jar", "../app.jar sibling.jar sub/../x.jar", {}},
        {"app.jar", "../shared/x.jar lib/../../y.jar", {"../shared/x.jar", "lib/../../y.jar"}},
        {"lib/deep/a.jar", "../../ok.jar ../../../out.jar", {"../../../out.jar"}},
        {"app.jar",
         "/opt/lib/x.jar file:/opt/y.jar http://h/z.jar C:/w.jar",
         {"/opt/lib/x.jar", "file:/opt/y.jar", "http://h/z.jar", "C:/w.jar"}},
        {"app.jar", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classPathEntriesOutside(c.jar, c.classPath), c.outside) << c.classPath;
}

}  // namespace
}  // namespace trellane
