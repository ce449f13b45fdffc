// Exporting the user's application-data folders, package-redirected and not, as environment
// variables. The algorithm is here; the Windows layer hands it the shell, COM, debugger and
// dialog calls, so that every branch also runs in the unit tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace trellane {

// The variable names and the debugger text are UTF-16, the platform's wide text. wchar_t is
// not that everywhere (it is 32 bits on Linux), char16_t is.
using WideChar = char16_t;
using WideString = std::u16string;

// A known folder's GUID, laid out like the platform's GUID.
struct KnownFolderId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// FOLDERID_LocalAppData and FOLDERID_RoamingAppData.
constexpr KnownFolderId kFolderLocalAppData{
    0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
constexpr KnownFolderId kFolderRoamingAppData{
    0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};

// Lookup flags: KF_FLAG_RETURN_FILTER_REDIRECTION_TARGET for the package-redirected
// location, KF_FLAG_NO_PACKAGE_REDIRECTION for the user's own.
constexpr uint32_t kFlagReturnFilterRedirectionTarget = 0x40000;
constexpr uint32_t kFlagNoPackageRedirection = 0x10000;

// Lookup results with a meaning of their own (HRESULTs).
constexpr uint32_t kLookupOk = 0;                     // S_OK
constexpr uint32_t kLookupFileNotFound = 0x80070002;  // the redirection target does not exist
constexpr uint32_t kLookupPathNotFound = 0x80070003;

constexpr char kKnownFolderErrorCaption[] =
    "Error converting known folder path to environment variable";

struct KnownFolderPrimitives {
    // SHGetKnownFolderPath for the current user: the result, and in *path a string that
    // freePath releases. The lookup may leave *path null.
    uint32_t (*getKnownFolderPath)(const KnownFolderId& folder, uint32_t flags, WideChar** path);
    // CoTaskMemFree; accepts null.
    void (*freePath)(WideChar* path);
    // _wputenv_s.
    void (*setWideEnv)(const WideChar* name, const WideChar* value);
    // OutputDebugStringW and OutputDebugStringA.
    void (*outputDebugWide)(const WideChar* text);
    void (*outputDebugNarrow)(const char* text);
    // showErrorBox.
    void (*showErrorBox)(const char* caption, const char* text);
    // Standard error.
    std::FILE* errorStream;
};

// Set once the first unexpected lookup failure has been reported: one box per process is
// enough, later failures are most likely the same problem.
extern bool knownFolderErrorShown;

// Looks the folder up (redirected: the package-redirected location) and exports it as
// variableName. A missing redirection target is only a debugger line, a missing path nothing
// at all; any other failure is reported once, with a box. Start-up goes on in every case.
// True exactly when the lookup succeeded.
bool setKnownFolderVariable(const KnownFolderId& folder, const WideChar* variableName,
                            bool redirected, const KnownFolderPrimitives& primitives);

}  // namespace trellane
