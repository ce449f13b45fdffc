#include "instance/instance_key.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(InstanceKey, IdentityIsTheStampedOptionElseTheMainClass) {
    struct Case {
        std::string mainClass;
        StringList options;
        std::string identity;
    } cases[] = {
        {"com.example.Main", {}, "com.example.Main"},
        {"com.example.Main",
         {"-Dtrellane.singleInstanceX=no", "-Dtrellane.singleInstance=Example.Editor",
          "-Dtrellane.singleInstance=later"},
         "Example.Editor"},
        // An empty value names nothing: the main class does.
        {"com.example.Main", {"-Dtrellane.singleInstance="}, "com.example.Main"},
        // A main module: its class, or the module whose descriptor names the class.
        {"org.example.app/org.example.app.Main", {}, "org.example.app.Main"},
        {"org.example.app/", {"-Dtrellane.singleInstance="}, "org.example.app"},
        {"org.example.app/a/b", {}, "org.example.app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainClass);
        LaunchConfig config;
        config.mainClassName = c.mainClass;
        config.jvmOptions = c.options;
        EXPECT_EQ(instanceIdentity(config), c.identity);
    }
}

// The key is part of the channel's documented name (docs/launcher.md): FNV-1a 64 of
// "identity\nsession", values computed by Python's arithmetic.
TEST(InstanceKey, IsTheHashOfIdentityAndSession) {
    EXPECT_EQ(instanceKey("", ""), "af63c74c8601c8dd");
    EXPECT_EQ(instanceKey("Example.Editor", ":0"), "e9ae5cf31df5cc04");
    EXPECT_NE(instanceKey("Example.Editor", ":0"), instanceKey("Example.Editor", ":1"));
    EXPECT_NE(instanceKey("Example.Editor", ":0"), instanceKey("Example.Viewer", ":0"));
}

}  // namespace
}  // namespace trellane
