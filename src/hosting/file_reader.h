// What reading a file takes from the operating system, as plain function pointers: the
// platform layers supply the real ones, unit tests files in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trellane {

struct FileReader {
    // The file opened for reading, or null when it cannot be (missing, a folder, no access).
    void* (*open)(const char* path);
    // Its size in bytes, or -1.
    int64_t (*size)(void* file);
    // Exactly size bytes from offset into buffer; false when fewer could be read.
    bool (*read)(void* file, uint64_t offset, void* buffer, size_t size);
    void (*close)(void* file);
};

}  // namespace trellane
