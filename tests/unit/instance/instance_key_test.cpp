#include "instance/instance_key.h"

#include <gtest/gtest.h>

namespace trellane {
namespace {

TEST(InstanceKey, IdentityIsTheStampedOptionElseTheMainClass) {
    LaunchConfig config;
    config.mainClassName = "com.example.Main";
    EXPECT_EQ(instanceIdentity(config), "com.example.Main");
    config.jvmOptions = {"-Dtrellane.singleInstanceX=no",
                         "-Dtrellane.singleInstance=Example.Editor",
                         "-Dtrellane.singleInstance=later"};
    EXPECT_EQ(instanceIdentity(config), "Example.Editor");
    config.jvmOptions = {"-Dtrellane.singleInstance="};
    EXPECT_EQ(instanceIdentity(config), "");
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
