// Files and folders as the packaging steps need them: read whole, copied whole, listed in a
// stable order, measured, removed. Symbolic links are followed: an image holds real files,
// since a link means nothing on Windows and may point outside the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

// Whether path is a regular file (a link to one counts).
bool isRegularFile(const std::string& path);

// Reads a regular file of at most maxBytes whole (common/regular_file); false with the reason
// (the system's, "not a regular file" or "larger than 1 MiB").
bool readWholeFile(const std::string& path, size_t maxBytes, std::string& text,
                   std::string& problem);

// Writes text as the new file path; refuses when it cannot.
void writeNewFile(const std::string& path, const std::string& text);

struct TreeEntry {
    std::string relative;  // '/'-separated, from the listed folder
    bool folder = false;
};

// A symbolic link under the listed folder whose target lies outside it.
struct OutsideLink {
    std::string relative;  // the link, '/'-separated, from the listed folder
    std::string target;    // where it leads, all links resolved
};

// Every file and folder under root, each folder before what it holds, names in byte order.
// Refuses a link loop, a dangling link, a special file or a folder it cannot read. With
// outside, the links that lead out of root are listed there too.
std::vector<TreeEntry> listTree(const std::string& root,
                                std::vector<OutsideLink>* outside = nullptr);

// Makes the folder (its parent must exist); refuses unless it is there afterwards.
void makeFolder(const std::string& path);

// Copies one file with its permission bits; to must not exist yet. Refuses on failure.
void copyFile(const std::string& from, const std::string& to);

// Copies what listTree(from) lists into the existing folder to.
void copyTree(const std::string& from, const std::string& to);

// Removes path and all it holds, at any depth, links removed and never followed; false when
// something stayed.
bool removeTree(const std::string& path);

// The bytes of all files under root.
uint64_t treeSize(const std::string& root);

// "12.3 MiB"
std::string describeSize(uint64_t bytes);

}  // namespace trellane
