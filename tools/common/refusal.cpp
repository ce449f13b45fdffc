#include "common/refusal.h"

#include "common/shown_text.h"
#include "common/temporary_path.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace trellane {

namespace {

const char* currentToolName = "trellane";
void (*currentCleanup)() = nullptr;

void printMessage(const char* format, va_list arguments) {
    printToolLine("", format, arguments);
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

void printToolLine(const char* kind, const char* format, va_list arguments) {
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, again);
    va_end(again);
    std::string message(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&message[0], message.size() + 1, format, arguments);
    std::fprintf(stderr, "%s: %s%s\n", currentToolName, kind, shownMessage(message).c_str());
}

void setToolName(const char* name) {
    currentToolName = name;
}

const char* toolName() {
    return currentToolName;
}

void setRefusalCleanup(void (*cleanup)()) {
    currentCleanup = cleanup;
}

void notice(const char* kind, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printToolLine(kind, format, arguments);
    va_end(arguments);
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
