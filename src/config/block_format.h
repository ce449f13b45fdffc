// The byte format of the launch configuration block, in one place: the parser, the block
// writer of trellane-stamp and the format's description in docs/block-format.md are all driven by
// these tables, so they cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/launch_config.h"

namespace trellane {

// The reserved area: 16,463 underscores and a NUL in the launcher as built.
constexpr size_t kConfigAreaSize = 16464;
constexpr char kUnstampedFill = '_';

// The most entries one list can hold: its count is a single byte.
constexpr size_t kMaxListEntries = 255;

enum class FieldKind {
    FlagByte,    // one byte of switches, see kFlagBits
    StackSize,   // unsigned 32-bit, most significant byte first
    String,      // bytes, then NUL
    StringList,  // count byte (0 to 255), then that many strings
};

struct BlockField {
    const char* name;
    FieldKind kind;
    std::string LaunchConfig::*text;  // FieldKind::String
    StringList LaunchConfig::*list;   // FieldKind::StringList
    const char* meaning;
};

// The fields in the order they stand in the block; nothing lies between them.
inline const BlockField kBlockFields[] = {
    {"flags", FieldKind::FlagByte, nullptr, nullptr, "switches, see the flag bits"},
    {"launchThreadStackSize", FieldKind::StackSize, nullptr, nullptr,
     "stack size of the launch thread in bytes, 0 for the default"},
    {"mainClassName", FieldKind::String, &LaunchConfig::mainClassName, nullptr,
     "the application's main class, dotted; or MODULE/CLASS, or MODULE/ for the class the "
     "module's descriptor names: the main module, started as java -m starts it"},
    {"jvmOptions", FieldKind::StringList, nullptr, &LaunchConfig::jvmOptions,
     "JVM options, in order; a -splash:IMAGE among them is the launcher's (a splash screen) "
     "and never reaches the JVM; a -Dtrellane.singleInstance=ID among them runs the "
     "application once per user and session (single-instance mode), named ID"},
    {"defaultAppArguments", FieldKind::StringList, nullptr, &LaunchConfig::defaultAppArguments,
     "arguments given to main before the command line's"},
    {"allowedUserOptionPrefixes", FieldKind::StringList, nullptr,
     &LaunchConfig::allowedUserOptionPrefixes,
     "prefixes a TRELLANE_JVM_OPTIONS option must start with"},
};

struct FlagBit {
    uint8_t mask;
    const char* name;
    bool LaunchConfig::*field;
    const char* meaning;
};

// The JVM option that names a single-instance application: its value is the identity the
// launcher derives the instance's channel from, and the application can read it as a system
// property. Only an option of the block counts, never one a user adds.
constexpr char kSingleInstanceOption[] = "-Dtrellane.singleInstance=";

// Whether the options name a single-instance application: the mode's only switch.
inline bool holdsInstanceOption(const StringList& jvmOptions) {
    const std::string prefix = kSingleInstanceOption;
    for (const std::string& option : jvmOptions)
        if (option.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

// Bits 3 and 5 to 7 carry nothing: the parser ignores them and the writer leaves them clear.
// Single-instance mode is no bit: blocks written elsewhere may hold bit 3, and must launch as
// they always did.
inline const FlagBit kFlagBits[] = {
    {0x01, "useMainThread", &LaunchConfig::useMainThread,
     "run the launch sequence on the primary thread"},
    {0x02, "isConsoleApp", &LaunchConfig::isConsoleApp,
     "console application: errors show no message box"},
    {0x04, "setUpConsole", &LaunchConfig::setUpConsole,
     "with isConsoleApp: UTF-8 console, VT output"},
    {0x10, "redirectAppDataVariables", &LaunchConfig::redirectAppDataVariables,
     "also export LOCALAPPDATA and APPDATA from the package-redirected folders"},
};

}  // namespace trellane
