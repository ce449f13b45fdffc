#include "exe/elf_header.h"

#include <gtest/gtest.h>

#include <string>

namespace trellane {
namespace {

// The first 20 bytes of an ELF file: identification, type and machine.
std::string header(unsigned char elfClass, unsigned char data, uint16_t type, uint16_t machine) {
    std::string bytes("\x7f" "ELF", 4);
    bytes += static_cast<char>(elfClass);
    bytes += static_cast<char>(data);
    bytes += std::string(10, '\1');
    auto put = [&](uint16_t value) {
        if (data == 2) bytes += static_cast<char>(value >> 8);
        bytes += static_cast<char>(value & 0xFF);
        if (data != 2) bytes += static_cast<char>(value >> 8);
    };
    put(type);
    put(machine);
    return bytes + std::string(44, '\0');
}

TEST(ElfKind, ReadsTheWordSizeByteOrderTypeAndMachine) {
    const struct {
        std::string head;
        bool is64Bit, littleEndian;
        uint16_t type, machine;
        const char* name;
    } cases[] = {
        {header(2, 1, 3, 62), true, true, 3, 62, "x86-64"},
        {header(1, 1, 3, 3), false, true, 3, 3, "x86 (32-bit)"},
        {header(2, 1, 3, 183), true, true, 3, 183, "ARM64"},
        {header(1, 1, 3, 40), false, true, 3, 40, "ARM (32-bit)"},
        {header(1, 1, 3, 62), false, true, 3, 62, "x86-64 (32-bit)"},
        {header(2, 2, 3, 21), true, false, 3, 21, "ELF machine 21 (64-bit)"},
        {header(2, 1, 2, 62), true, true, 2, 62, "x86-64"},
    };
    for (const auto& c : cases) {
        ElfKind kind;
        std::string problem;
        ASSERT_TRUE(readElfKind(c.head, kind, problem)) << c.name << ": " << problem;
        EXPECT_EQ(kind.is64Bit, c.is64Bit) << c.name;
        EXPECT_EQ(kind.littleEndian, c.littleEndian) << c.name;
        EXPECT_EQ(kind.type, c.type) << c.name;
        EXPECT_EQ(kind.machine, c.machine) << c.name;
        EXPECT_EQ(elfMachineName(kind), c.name);
    }
}

TEST(ElfKind, SaysWhatIsNotAnElfFile) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "is not an ELF file (a Linux library)"},
        {"MZ\x90\0 a Windows file, long enough", "is not an ELF file (a Linux library)"},
        {header(2, 1, 3, 62).substr(0, 19), "is not an ELF file (a Linux library)"},
        {header(3, 1, 3, 62), "is damaged: its ELF identification names no known word size or "
                              "byte order"},
        {header(2, 0, 3, 62), "is damaged: its ELF identification names no known word size or "
                              "byte order"},
    };
    for (const auto& [head, expected] : cases) {
        ElfKind kind;
        std::string problem;
        EXPECT_FALSE(readElfKind(head, kind, problem));
        EXPECT_EQ(problem, expected);
    }
}

}  // namespace
}  // namespace trellane
