#include "exe/elf_header.h"

#include <cstdio>

namespace trellane {

namespace {

constexpr size_t kIdentSize = 16;
constexpr size_t kHeaderPrefix = kIdentSize + 4;  // e_ident, e_type, e_machine
constexpr unsigned char kClass32 = 1, kClass64 = 2;
constexpr unsigned char kDataLittle = 1, kDataBig = 2;

uint16_t readU16(const std::string& bytes, size_t offset, bool littleEndian) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[offset + i]); };
    return static_cast<uint16_t>(littleEndian ? byte(0) | byte(1) << 8 : byte(0) << 8 | byte(1));
}

}  // namespace

bool readElfKind(const std::string& head, ElfKind& kind, std::string& problem) {
    kind = ElfKind{};
    if (head.size() < kHeaderPrefix || head.compare(0, 4, "\x7f" "ELF") != 0) {
        problem = "is not an ELF file (a Linux library)";
        return false;
    }
    unsigned char elfClass = static_cast<unsigned char>(head[4]);
    unsigned char data = static_cast<unsigned char>(head[5]);
    if ((elfClass != kClass32 && elfClass != kClass64) ||
        (data != kDataLittle && data != kDataBig)) {
        problem = "is damaged: its ELF identification names no known word size or byte order";
        return false;
    }
    kind.is64Bit = elfClass == kClass64;
    kind.littleEndian = data == kDataLittle;
    kind.type = readU16(head, kIdentSize, kind.littleEndian);
    kind.machine = readU16(head, kIdentSize + 2, kind.littleEndian);
    return true;
}

std::string elfMachineName(const ElfKind& kind) {
    switch (kind.machine) {
        case kElfMachineX86_64: return kind.is64Bit ? "x86-64" : "x86-64 (32-bit)";
        case kElfMachineX86: return "x86 (32-bit)";
        case kElfMachineAarch64: return kind.is64Bit ? "ARM64" : "ARM64 (32-bit)";
        case kElfMachineArm: return "ARM (32-bit)";
        case kElfMachineRiscV: return kind.is64Bit ? "RISC-V (64-bit)" : "RISC-V (32-bit)";
        default: {
            char text[40];
            std::snprintf(text, sizeof text, "ELF machine %u (%s)", kind.machine,
                          kind.is64Bit ? "64-bit" : "32-bit");
            return text;
        }
    }
}

}  // namespace trellane
