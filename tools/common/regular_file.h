// Reading the small files a command line names besides its inputs: argument files and
// password files. Only a regular file will do: a FIFO or a device could hold the command
// forever, waiting for a writer or for input that never comes.
#pragma once

#include <cstddef>
#include <string>

namespace trellane {

// Reads path whole when it is a regular file of at most maxBytes; false with the problem
// ("No such file or directory", "not a regular file", "larger than 1024 KiB") otherwise.
bool readRegularFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem);

}  // namespace trellane
