// A runtime's module image (lib/modules, the jimage format jlink writes), read just far enough
// to learn java.base's version: the version of a runtime whose release file does not say it.
#pragma once

#include <string>

namespace trellane {

// java.base's module version ("17.0.15") as its module-info.class in the image records it;
// empty when the image cannot tell: not a module image, damaged, of the other byte order,
// or compressed (jlink --compress), or when java.base has no version.
std::string javaBaseVersion(const std::string& modulesFile);

}  // namespace trellane
