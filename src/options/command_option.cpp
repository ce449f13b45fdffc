#include "options/command_option.h"

#include "options/main_module.h"

namespace trellane {

std::string buildCommandOption(int argumentCount, const char* const* arguments,
                               const LaunchConfig& config) {
    std::string option = "-Dsun.java.command=";
    option += mainCommandName(config.mainClassName);
    for (const std::string& argument : config.defaultAppArguments) {
        option += ' ';
        option += argument;
    }
    for (int i = 0; i < argumentCount; ++i) {
        option += ' ';
        option += arguments[i];
    }
    return option;
}

}  // namespace trellane
