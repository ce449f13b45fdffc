#include "common/fail_fatal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace trellane {

void failFatal(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputs("\r", stderr);
    std::fputs("\n", stderr);
    std::exit(1);
}

}  // namespace trellane
