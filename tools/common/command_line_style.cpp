#include "common/command_line_style.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/option_hints.h"
#include "common/refusal.h"

namespace trellane {

namespace {

void allowExtras(CLI::App& app) {
    app.allow_extras();
    for (CLI::App* command : app.get_subcommands({})) allowExtras(*command);
}

std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// CLI11's message for the errors a user makes most, in the tools' words; others as CLI11 says
// them.
std::string describeParseError(const CLI::ParseError& error) {
    std::string text = error.what();
    size_t colon = text.find(": ");
    std::string name = text.substr(0, colon);
    if (colon != std::string::npos && name.compare(0, 1, "-") == 0) {
        std::string rest = text.substr(colon + 2);
        if (rest.find(" required ") != std::string::npos && rest.find(" missing") != std::string::npos)
            return "option '" + name + "' needs a value";
        if (rest.compare(0, 8, "At Most ") == 0)
            return "option '" + name + "' is given more than once";
    }
    return text;
}

// "--name=" as "--name ''": an empty value. CLI11 would take the next argument as the value
// instead, so "--name= --gui-subsystem" would name the program "--gui-subsystem". Only where
// an option stands: a value that looks so ("--arguments --name=") stays as it is.
std::vector<std::string> withEmptyValuesApart(const CLI::App& app,
                                              const std::vector<std::string>& arguments) {
    std::vector<std::string> apart;
    const CLI::App* command = &app;
    bool valueNext = false;
    for (const std::string& argument : arguments) {
        if (valueNext) {
            valueNext = false;
            apart.push_back(argument);
            continue;
        }
        if (command == &app)
            for (const CLI::App* sub : app.get_subcommands({}))
                if (sub->check_name(argument)) command = sub;
        size_t equals = argument.find('=');
        const CLI::Option* option = argument.compare(0, 2, "--") == 0
                                        ? command->get_option_no_throw(argument.substr(0, equals))
                                        : nullptr;
        if (option != nullptr && option->get_items_expected_min() > 0) {
            if (equals == std::string::npos) {
                valueNext = true;
            } else if (equals + 1 == argument.size()) {
                apart.push_back(argument.substr(0, equals));
                apart.push_back("");
                continue;
            }
        }
        apart.push_back(argument);
    }
    return apart;
}

// The command the arguments chose: the deepest one parsed.
const CLI::App& chosenCommand(const CLI::App& app) {
    std::vector<CLI::App*> parsed = app.get_subcommands();
    return parsed.empty() ? app : chosenCommand(*parsed.front());
}

}  // namespace

std::string toolVersion() {
    return std::string(toolName()) + " " + TRELLANE_VERSION;
}

std::vector<std::string> parseInToolStyle(CLI::App& app, const std::vector<std::string>& arguments) {
    allowExtras(app);
    app.set_version_flag("--version", toolVersion(), "print the tool's version and end");
    // CLI11 takes the arguments last first.
    std::vector<std::string> apart = withEmptyValuesApart(app, arguments);
    std::vector<std::string> reversed(apart.rbegin(), apart.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        std::exit(0);
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        std::exit(0);
    } catch (const CLI::ParseError& error) {
        refuseUsage("%s", describeParseError(error).c_str());
    }
    // What no option took, in the order given: the tool's own, then its command's.
    std::vector<std::string> left = app.remaining();
    const CLI::App& command = chosenCommand(app);
    if (&command != &app)
        for (const std::string& argument : command.remaining()) left.push_back(argument);
    std::vector<std::string> positional;
    for (const std::string& argument : left) {
        if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            std::string name = argument.substr(0, argument.find('='));
            refuseUsage("unknown option '%s'%s", name.c_str(),
                        hintForUnknownOption(name, optionNames(command)).c_str());
        }
        positional.push_back(argument);
    }
    return positional;
}

void refuseEmptyValues(const CLI::App& command, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const CLI::Option* option = command.get_option_no_throw(name);
        if (option == nullptr || option->count() == 0) continue;
        for (const std::string& value : option->results())
            if (value.empty()) refuseUsage("option '%s' needs a value that is not empty", name);
    }
}

CLI::Option* addValueOption(CLI::App& app, const char* name, std::string& field,
                            const char* type, const char* help, const std::string& group) {
    return app.add_option(name, field, help)->group(group)->type_name(type);
}

CLI::Option* addListOption(CLI::App& app, const char* name, std::vector<std::string>& field,
                           const char* type, const char* help, const std::string& group) {
    return app.add_option(name, field, help)->group(group)->type_name(type)->expected(1)->take_all();
}

}  // namespace trellane
