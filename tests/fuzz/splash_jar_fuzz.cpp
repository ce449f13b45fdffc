// The launcher's reader of a splash image in a jar, on hostile files: the central directory,
// the local header, the DEFLATE data and the manifest all come from the input. Reading stays in
// range (the sanitizers see to it), what it returns is never larger than allowed, and whatever the
// inflater accepts, zlib inflates to the same bytes. The input's first byte picks the case:
// even, the rest is a jar whose entry "splash.png" is read; odd, it is raw DEFLATE data whose
// size the next two bytes give.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "hosting/inflate.h"
#include "hosting/jar_entry.h"
#include "hosting/jar_manifest.h"

namespace {

struct MemoryFile {
    const uint8_t* data;
    size_t size;
};

MemoryFile current;

void* openMemory(const char*) {
    return &current;
}
int64_t sizeOfMemory(void* file) {
    return static_cast<int64_t>(static_cast<MemoryFile*>(file)->size);
}
bool readMemory(void* file, uint64_t offset, void* buffer, size_t size) {
    const MemoryFile* memory = static_cast<MemoryFile*>(file);
    if (offset > memory->size || size > memory->size - offset) return false;
    std::memcpy(buffer, memory->data + offset, size);
    return true;
}
void closeMemory(void*) {}

// zlib's raw inflate, as the reference: the bytes, or false when zlib refuses the data or it
// inflates to another size.
bool inflateWithZlib(const uint8_t* data, size_t size, size_t expected, std::string& out) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) return false;
    out.assign(expected + 1, '\0');
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int result = inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return result == Z_STREAM_END && out.size() == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    if (data[0] % 2 == 0) {
        current = MemoryFile{data + 1, size - 1};
        const trellane::FileReader files{openMemory, sizeOfMemory, readMemory, closeMemory};
        std::string bytes;
        const size_t kLimit = 1 << 20;
        if (trellane::readJarEntry("splash.jar", "splash.png", files, kLimit, bytes))
            FUZZ_CHECK(bytes.size() <= kLimit);
        // The manifest as the launcher reads it for SplashScreen-Image.
        if (trellane::readJarEntry("splash.jar", "META-INF/MANIFEST.MF", files, kLimit, bytes)) {
            std::string value = trellane::mainAttribute(bytes, "SplashScreen-Image");
            FUZZ_CHECK(value.size() <= bytes.size());
        }
        return 0;
    }
    size_t expected = data[1] | (static_cast<size_t>(data[2]) << 8);
    std::string ours, zlibs;
    if (trellane::inflateRaw(data + 3, size - 3, expected, ours)) {
        FUZZ_CHECK(ours.size() == expected);
        FUZZ_CHECK(inflateWithZlib(data + 3, size - 3, expected, zlibs));
        FUZZ_CHECK(ours == zlibs);
    }
    return 0;
}
