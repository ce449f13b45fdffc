#include "common/refusal.h"

#include "common/temporary_path.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace trellane {

namespace {

const char* currentToolName = "trellane";
void (*currentCleanup)() = nullptr;

void printMessage(const char* format, va_list arguments) {
    std::fprintf(stderr, "%s: ", currentToolName);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

[[noreturn]] void endWith(int status) {
    if (void (*cleanup)() = currentCleanup) {
        currentCleanup = nullptr;  // a refusal inside the cleanup must not loop
        cleanup();
    }
    removeTemporaryPaths();
    std::exit(status);
}

}  // namespace

void setToolName(const char* name) {
    currentToolName = name;
}

const char* toolName() {
    return currentToolName;
}

void setRefusalCleanup(void (*cleanup)()) {
    currentCleanup = cleanup;
}

void refuse(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printMessage(format, arguments);
    va_end(arguments);
    endWith(1);
}

void refuseUsage(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printMessage(format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "Run '%s --help' for usage.\n", currentToolName);
    endWith(2);
}

}  // namespace trellane
