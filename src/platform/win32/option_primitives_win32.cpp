#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

uint32_t getSystemDirectory(char* buffer, uint32_t size) {
    return GetSystemDirectoryA(buffer, size);
}

const char* getEnv(const char* name) {
    return std::getenv(name);
}

void takeFound(const WIN32_FIND_DATAA& data, FoundFile* found) {
    found->attributes = data.dwFileAttributes;
    found->name = data.cFileName;
}

// A search that cannot start is INVALID_HANDLE_VALUE to Windows and null to the core.
void* findFirstFile(const char* pattern, FoundFile* found) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    takeFound(data, found);
    return search;
}

bool findNextFile(void* search, FoundFile* found) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(search, &data)) return false;
    takeFound(data, found);
    return true;
}

void findClose(void* search) {
    FindClose(search);
}

const OptionPrimitives kPrimitives{getSystemDirectory, getEnv, findFirstFile, findNextFile,
                                   findClose};
const PathConventions kConventions{'\\', ';', "USERPROFILE"};

}  // namespace

const OptionPrimitives& optionPrimitives() {
    return kPrimitives;
}
const PathConventions& pathConventions() {
    return kConventions;
}

}  // namespace trellane::platform
