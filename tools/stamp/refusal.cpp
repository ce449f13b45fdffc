#include "refusal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace trellane {

namespace {

void printMessage(const char* format, va_list arguments) {
    std::fputs("trellane-stamp: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

}  // namespace

void refuse(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printMessage(format, arguments);
    va_end(arguments);
    std::exit(1);
}

void refuseUsage(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printMessage(format, arguments);
    va_end(arguments);
    std::fputs("Run 'trellane-stamp --help' for usage.\n", stderr);
    std::exit(2);
}

}  // namespace trellane
