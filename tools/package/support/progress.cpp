#include "package/support/progress.h"

#include <time.h>

#include <cstdarg>
#include <cstdio>

#include "common/refusal.h"

namespace trellane {

namespace {

bool beQuiet = false;

void printLine(const char* kind, const char* format, va_list arguments) {
    printToolLine(kind, format, arguments);
}

}  // namespace

void setQuiet(bool quiet) {
    beQuiet = quiet;
}

void progress(const char* format, ...) {
    if (beQuiet) return;
    va_list arguments;
    va_start(arguments, format);
    printLine("", format, arguments);
    va_end(arguments);
}

void warn(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printLine("warning: ", format, arguments);
    va_end(arguments);
}

double monotonicSeconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace trellane
