// What the option expansions need of the operating system, as plain function pointers with
// the Windows calls' contracts. The platform layers supply the real ones; unit tests supply
// fakes (a 300-character system directory, a scripted directory listing...).
#pragma once

#include <cstdint>
#include <string>

namespace trellane {

// FILE_ATTRIBUTE_DIRECTORY in a found name's attributes.
constexpr uint32_t kFileAttributeDirectory = 0x10;

// The two fields of a file search record that the launcher uses.
struct FoundFile {
    uint32_t attributes = 0;
    std::string name;
};

struct OptionPrimitives {
    // GetSystemDirectoryA: writes the directory and returns its length without the NUL; when
    // size is too small, returns the size needed including the NUL; 0 on failure.
    uint32_t (*getSystemDirectory)(char* buffer, uint32_t size);
    // getenv: the variable's current value, or null when it is unset.
    const char* (*getEnv)(const char* name);
    // FindFirstFileA: a search handle and the first name, or null (INVALID_HANDLE_VALUE)
    // when the search cannot start.
    void* (*findFirstFile)(const char* pattern, FoundFile* found);
    // FindNextFileA: true and the next name, or false when there is none left.
    bool (*findNextFile)(void* search, FoundFile* found);
    // FindClose.
    void (*findClose)(void* search);
};

// How paths and lists are written on the platform.
struct PathConventions {
    char dirSeparator;          // '\\' on Windows, '/' on Linux
    char listSeparator;         // ';' on Windows, ':' on Linux
    const char* homeVariable;   // "USERPROFILE" on Windows, "HOME" on Linux
};

}  // namespace trellane
