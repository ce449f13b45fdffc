// What an MSI built by wixl can hold, checked before wixl runs, so that a package it cannot
// hold is refused at packaging time, never built broken:
// - text: wixl writes every table and the summary in Windows-1252 (it has no way to set the
//   database's code page), and a character outside it becomes an empty name or crashes wixl;
// - names: Windows' file systems ignore case, so two paths that differ only in case install
//   as one file;
// - sizes: Windows Installer records a file's size as a signed 32-bit number, and one
//   cabinet folder holds at most 65,535 blocks of 32 KiB;
// - counts: a cabinet holds at most 65,535 files, and wixl's time grows with the square of
//   the number of files (15,000: 24 s of processor time; 100,000: most of an hour).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trellane {

// The most bytes one cabinet (and so one file) holds: 65,535 blocks of 32 KiB, below the
// 2,147,483,647 that a File row's size can say.
constexpr uint64_t kMsiCabinetBytes = 65535ull * 32768ull;
// The most files one cabinet holds.
constexpr size_t kMsiCabinetFiles = 65535;
// The most files an MSI built here holds: wixl takes minutes beyond.
constexpr size_t kMsiMostFiles = 15000;

// The first character of text that Windows-1252 has no code for, as "'Ω' (U+03A9)", or
// "byte 0xFF (not UTF-8)"; empty when every character has one.
std::string outsideWindows1252(const std::string& text);

// Refuses text that an MSI cannot hold, naming what (an option, "--name") and the character:
// "--vendor 'Acme Ω': the character 'Ω' (U+03A9) is outside Windows-1252, ...".
void checkMsiText(const std::string& what, const std::string& text);

// One file or folder of what the MSI installs.
struct MsiPayloadEntry {
    std::string path;  // as shown in messages ("app/a.txt")
    bool folder = false;
    uint64_t size = 0;
};

// Refuses, naming the paths (each shown after where, "input/") and what to do, a name outside
// Windows-1252, two paths that differ only in case, a file or all files together over
// kMsiCabinetBytes (wixl 0.101 writes one cabinet), and more than kMsiMostFiles files.
void checkMsiPayload(const std::vector<MsiPayloadEntry>& entries, const std::string& where);

// path as Windows compares names: every letter of Windows-1252 in upper case.
std::string windowsCaseKey(const std::string& path);

}  // namespace trellane
