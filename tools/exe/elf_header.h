// What a Linux shared object is built for, from its ELF identification and header: enough to
// tell a 64-bit x86 library from one for another processor or word size.
#pragma once

#include <cstdint>
#include <string>

namespace trellane {

constexpr uint16_t kElfMachineX86 = 3;
constexpr uint16_t kElfMachineArm = 40;
constexpr uint16_t kElfMachineX86_64 = 62;
constexpr uint16_t kElfMachineAarch64 = 183;
constexpr uint16_t kElfMachineRiscV = 243;

constexpr uint16_t kElfTypeShared = 3;  // ET_DYN: a shared object (or a position-independent program)

struct ElfKind {
    bool is64Bit = false;
    bool littleEndian = false;
    uint16_t type = 0;     // e_type
    uint16_t machine = 0;  // e_machine, read in the file's own byte order
};

// Reads the identification and the header's type and machine from the file's first bytes;
// false with a problem ("is not an ELF file ...") when they are not there.
bool readElfKind(const std::string& head, ElfKind& kind, std::string& problem);

// A processor's name for messages: "x86-64", "AArch64 (ARM64)", ...; the word size is added
// when it is not the processor's usual one ("x86-64 (32-bit)").
std::string elfMachineName(const ElfKind& kind);

}  // namespace trellane
