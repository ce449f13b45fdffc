// What a module's module-info.class declares: its name, the modules it needs at run time, the
// services it uses and provides, and the main class `jar --main-class` records. What jlink and
// the JVM read to resolve a modular application, read here to check it before it is linked.
#pragma once

#include <string>
#include <vector>

namespace trellane {

struct ModuleDescriptor {
    std::string name;  // empty: the bytes are not a module descriptor
    std::vector<std::string>
    requires;                           // at run time: "requires static" ones are left out
    std::vector<std::string> uses;      // service interfaces, dotted
    std::vector<std::string> provides;  // the service interfaces it provides, dotted
    std::string mainClass;              // dotted; empty when it names none
};

// The descriptor in a module-info.class file's bytes; an empty name when they are not a module
// descriptor or are cut short.
ModuleDescriptor readModuleDescriptor(const std::string& classFile);

// readModuleDescriptor(classFile).name.
std::string declaredModuleName(const std::string& classFile);

}  // namespace trellane
