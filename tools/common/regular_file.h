// Reading the files a command line names besides its inputs: argument files, password files,
// icons, properties files, license texts, a runtime's release file, a JVM library. Only a
// regular file of a size such a file can have will do: a FIFO or a device could hold the
// command forever, waiting for a writer or reading input that never ends (/dev/zero), and a
// huge file would take all memory before anything said what is wrong.
#pragma once

#include <cstddef>
#include <string>

namespace trellane {

// Limits for the kinds of file read whole, each far beyond any real one.
constexpr size_t kMaxTextFileSize = size_t{1} << 20;       // argument and properties files
constexpr size_t kMaxDocumentSize = size_t{16} << 20;      // a license's text
constexpr size_t kMaxIconFileSize = size_t{64} << 20;      // a PNG or an .ico
constexpr size_t kMaxLibraryFileSize = size_t{512} << 20;  // a JVM library read whole

// Reads path (links followed) whole when it is a regular file of at most maxBytes, never
// waiting on it; false with the problem ("No such file or directory", "not a regular file",
// "larger than 1 MiB") otherwise.
bool readRegularFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem);

// The same checks without reading: for a file read later, checked before anything is built.
bool checkRegularFile(const std::string& path, size_t maxBytes, std::string& problem);

// readRegularFile, or a refusal naming the file and what to give instead:
// "cannot read WHAT PATH: PROBLEM; ADVICE".
std::string readRegularFileOrRefuse(const std::string& path, size_t maxBytes,
                                    const std::string& what, const std::string& advice);

}  // namespace trellane
