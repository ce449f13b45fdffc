#pragma once

#include <cstdio>

namespace trellane {

void printUsage(std::FILE* out);

}  // namespace trellane
