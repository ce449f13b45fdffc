#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace trellane::platform {

namespace {

// PENDING: the Linux meaning of the system directory and the directory search come with
// the option expansions.
uint32_t getSystemDirectory(char*, uint32_t) { return 0; }
void* findFirstFile(const char*, FoundFile*) { return nullptr; }
bool findNextFile(void*, FoundFile*) { return false; }
void findClose(void*) {}
const char* getEnv(const char* name) { return std::getenv(name); }

const OptionPrimitives kPrimitives{getSystemDirectory, getEnv, findFirstFile, findNextFile,
                                   findClose};
const PathConventions kConventions{'/', ':', "HOME"};

}  // namespace

const OptionPrimitives& optionPrimitives() { return kPrimitives; }
const PathConventions& pathConventions() { return kConventions; }

}  // namespace trellane::platform
