#pragma once

#include <string>

namespace trellane {

// A main class name of the form MODULE/CLASS, or MODULE/ for the class the module's descriptor
// names, starts the application as java -m MODULE[/CLASS] does: a main module. A dotted class
// name, as every block stamped before modules had, names a class on the class path.

// MODULE, or "" when the name is a class on the class path.
std::string mainModuleOf(const std::string& mainClassName);

// What the java command records as the main in sun.java.command: MODULE/CLASS, MODULE alone
// when the descriptor names the class, or the class.
std::string mainCommandName(const std::string& mainClassName);

// The JVM option that makes MODULE the root of the boot layer, as java -m does:
// "-Djdk.module.main=" + MODULE. Empty for a class on the class path.
std::string buildMainModuleOption(const std::string& mainClassName);

}  // namespace trellane
