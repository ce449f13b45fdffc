// The command-line style both tools share, on CLI11: "@FILE" read first
// (common/argument_files.h), --help for the tool and for each command, --version, and usage
// errors in the tools' own words with status 2: "unknown option '--win-console'; did you mean
// --console-app?", "option '--input' needs a value", "option '--name' is given more than
// once".
#pragma once

#include <CLI/CLI.hpp>

#include <initializer_list>
#include <string>
#include <vector>

namespace trellane {

// "trellane-stamp 0.1.0": the tool's name and the project's version.
std::string toolVersion();

// Parses arguments (argv without the program, "@FILE" already expanded) into app and its
// commands. --help prints the help of the command it follows and ends the process with 0;
// --version prints toolVersion() and ends it with 0; a wrong command line ends it with
// refuseUsage. Returns the arguments that are not options and that no command took, for the
// caller to name (the command, or the extra argument).
std::vector<std::string> parseInToolStyle(CLI::App& app, const std::vector<std::string>& arguments);

// Refuses, as a usage error, any of the named options given with an empty value: a branding
// or signing option would then silently do nothing.
void refuseEmptyValues(const CLI::App& command, std::initializer_list<const char*> names);

// An option taking one value, in the help section group, its value shown as type ("FILE").
CLI::Option* addValueOption(CLI::App& app, const char* name, std::string& field,
                            const char* type, const char* help, const std::string& group);

// A repeatable option taking one value each time it is given, the values kept in order.
CLI::Option* addListOption(CLI::App& app, const char* name, std::vector<std::string>& field,
                           const char* type, const char* help, const std::string& group);

}  // namespace trellane
