#include "package/inputs/module_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {
namespace {

std::string u1(unsigned value) {
    return std::string(1, static_cast<char>(value));
}
std::string u2(unsigned value) {
    return u1(value >> 8) + u1(value & 0xFF);
}
std::string u4(uint32_t value) {
    return u2(value >> 16) + u2(value & 0xFFFF);
}
std::string utf8(const std::string& text) {
    return u1(1) + u2(text.size()) + text;
}

// module-info.class of "module org.example.lib { requires java.activation; }", laid out as
// javac lays it out, with a long constant (two pool entries) and an attribute before Module.
std::string moduleInfo() {
    std::string pool = utf8("module-info")                 // 1
                       + u1(7) + u2(1)                     // 2 Class
                       + utf8("Module")                    // 3
                       + u1(19) + u2(5)                    // 4 Module
                       + utf8("org.example.lib")           // 5
                       + u1(5) + u4(0) + u4(42)            // 6 and 7: Long
                       + utf8("SourceFile")                // 8
                       + utf8("module-info.java")          // 9
                       + u1(19) + u2(11)                   // 10 Module
                       + utf8("java.activation");          // 11
    std::string module = u2(4) + u2(0) + u2(0)             // name, flags, no version
                         + u2(1) + u2(10) + u2(0) + u2(0)  // requires java.activation
                         + u2(0) + u2(0) + u2(0) + u2(0);  // exports, opens, uses, provides
    return u4(0xCAFEBABE) + u2(0) + u2(53) + u2(12) + pool + u2(0x8000) + u2(2) + u2(0) + u2(0) +
           u2(0) + u2(0)                    // interfaces, fields, methods
           + u2(2) + u2(8) + u4(2) + u2(9)  // SourceFile
           + u2(3) + u4(static_cast<uint32_t>(module.size())) + module;
}

TEST(DeclaredModuleName, ReadsTheModuleAttribute) {
    EXPECT_EQ(declaredModuleName(moduleInfo()), "org.example.lib");
}

TEST(DeclaredModuleName, IsEmptyForWhatIsNoModuleDescriptor) {
    std::string descriptor = moduleInfo();
    for (size_t size = 0; size < descriptor.size(); ++size)
        EXPECT_EQ(declaredModuleName(descriptor.substr(0, size)), "") << "cut at " << size;
    std::string unknownTag = descriptor;
    unknownTag[10 + 14] = 99;  // the Class constant's tag
    EXPECT_EQ(declaredModuleName(unknownTag), "");
    EXPECT_EQ(declaredModuleName("PK\3\4 not a class file"), "");
}

// module-info.class of "module app { requires lib; requires static tools; uses app.Plugin;
// provides app.Plugin with app.Basic; }" after jar --main-class app.Main, as javac and jar
// lay it out: the Module attribute's tables in order, then ModuleMainClass.
std::string applicationModuleInfo() {
    std::string pool = utf8("module-info") + u1(7) + u2(1)    // 1, 2 Class
                       + utf8("Module")                       // 3
                       + u1(19) + u2(5) + utf8("app")         // 4 Module, 5
                       + u1(19) + u2(7) + utf8("lib")         // 6 Module, 7
                       + u1(19) + u2(9) + utf8("tools")       // 8 Module, 9
                       + u1(7) + u2(11) + utf8("app/Plugin")  // 10 Class, 11
                       + u1(7) + u2(13) + utf8("app/Basic")   // 12 Class, 13
                       + u1(7) + u2(15) + utf8("app/Main")    // 14 Class, 15
                       + u1(20) + u2(17) + utf8("app")        // 16 Package, 17
                       + utf8("ModuleMainClass");             // 18
    std::string module = u2(4) + u2(0) + u2(0)                // name, flags, version
                         + u2(2) + u2(6) + u2(0) + u2(0)      // requires lib
                         + u2(8) + u2(0x0040) + u2(0)         //   static tools
                         + u2(1) + u2(16) + u2(0) + u2(0)     // exports app
                         + u2(0)                              // opens
                         + u2(1) + u2(10)                     // uses app.Plugin
                         + u2(1) + u2(10) + u2(1) + u2(12);   // provides ... with
    return u4(0xCAFEBABE) + u2(0) + u2(53) + u2(19) + pool + u2(0x8000) + u2(2) + u2(0) + u2(0) +
           u2(0) + u2(0)  // interfaces, fields, methods
           + u2(2) + u2(3) + u4(static_cast<uint32_t>(module.size())) + module  // Module
           + u2(18) + u4(2) + u2(14);                                           // main class
}

TEST(ReadModuleDescriptor, ReadsWhatResolvingTheApplicationNeeds) {
    ModuleDescriptor descriptor = readModuleDescriptor(applicationModuleInfo());
    EXPECT_EQ(descriptor.name, "app");
    EXPECT_EQ(descriptor.requires, std::vector<std::string>{"lib"});  // not the static one
    EXPECT_EQ(descriptor.uses, std::vector<std::string>{"app.Plugin"});
    EXPECT_EQ(descriptor.provides, std::vector<std::string>{"app.Plugin"});
    EXPECT_EQ(descriptor.mainClass, "app.Main");
    std::string cut = applicationModuleInfo();
    EXPECT_EQ(readModuleDescriptor(cut.substr(0, cut.size() - 1)).name, "");
}

}  // namespace
}  // namespace trellane
