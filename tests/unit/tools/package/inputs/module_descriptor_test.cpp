#include "package/inputs/module_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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

}  // namespace
}  // namespace trellane
