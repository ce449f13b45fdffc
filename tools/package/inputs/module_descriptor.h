// The name a modular jar's module-info.class declares: what jdeps calls the jar when it
// cannot resolve the jar's own requirements.
#pragma once

#include <string>

namespace trellane {

// The module name in a module-info.class file's bytes; empty when they are not a module
// descriptor or are cut short.
std::string declaredModuleName(const std::string& classFile);

}  // namespace trellane
