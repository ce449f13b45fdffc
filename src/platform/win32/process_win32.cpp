#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/error_box.h"
#include "platform/platform.h"

namespace trellane {

namespace {

// The runtime's text-mode stderr would turn every "\n" into "\r\n"; the launcher's messages
// carry their own line ends (failFatal's "\r\n", the option dump's "\n"), so standard error
// gets the bytes as written. It is also unbuffered: the runtime buffers it when it is a pipe
// or a file, and the JVM writes its own messages straight to the handle, so the option dump
// would land after the JVM's complaint about an option, and be lost with a JVM that aborts.
// This runs before any other static initializer, ahead of the parse of the configuration
// area, whose failure is already a message. It lives in this file because the linker always
// takes it: a file of its own in the core library would be left out for want of a reference.
__attribute__((constructor(101))) void writeStandardErrorUntranslatedAndAtOnce() {
    _setmode(_fileno(stderr), _O_BINARY);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

// _putenv takes "NAME=value" and removes the variable when the value is empty.
void putEnvAssignment(const char* name, const char* value) {
    std::string assignment = name;
    assignment += '=';
    assignment += value;
    _putenv(assignment.c_str());
}

}  // namespace

// MB_ICONERROR | MB_SYSTEMMODAL | MB_SERVICE_NOTIFICATION, one OK button.
void showErrorBox(const char* caption, const char* text) {
    MessageBoxA(nullptr, text, caption, 0x201010);
}

namespace platform {

const char* executablePath() {
    char* path = nullptr;
    _get_pgmptr(&path);
    return path;
}

void setEnv(const char* name, const char* value) {
    putEnvAssignment(name, value);
}

void removeEnv(const char* name) {
    putEnvAssignment(name, "");
}

}  // namespace platform
}  // namespace trellane
