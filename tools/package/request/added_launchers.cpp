#include "package/request/added_launchers.h"

#include <set>
#include <utility>

#include "common/main_module.h"
#include "common/refusal.h"
#include "common/regular_file.h"
#include "common/shown_text.h"
#include "package/support/file_tree.h"
#include "package/support/java_properties.h"

namespace trellane {

namespace {

const char kKnownKeys[] =
    "module, main-jar, main-class, arguments, java-options, icon, description, app-version, "
    "win-console, win-shortcut, win-menu, linux-shortcut";

bool truth(const AddedLauncher& launcher, const std::string& key, const std::string& value) {
    if (value == "true") return true;
    if (value != "false")
        refuse("--add-launcher %s=%s: %s=%s is neither true nor false", launcher.name.c_str(),
               shownName(launcher.source).c_str(), key.c_str(), value.c_str());
    return false;
}

void take(AddedLauncher& launcher, const std::string& key, const std::string& value,
          PathStyle style) {
    auto problem = [&](const std::string& what) {
        refuse("--add-launcher %s=%s: %s", launcher.name.c_str(),
               shownName(launcher.source).c_str(), what.c_str());
    };
    if (key == "module") {
        std::string why;
        launcher.mainModule = mainModuleEntry(value, why);
        if (launcher.mainModule.empty()) problem(why);
    } else if (key == "main-jar") {
        launcher.mainJar = value;
    } else if (key == "main-class") {
        if (!isDottedJavaName(value))
            problem("main-class " + value + " is not a dotted class name (com.example.Tool)");
        launcher.mainClass = value;
    } else if (key == "java-options") {
        JpackageValues options = javaOptionsFromJpackage({value}, style);
        if (!options.problem.empty()) problem(options.problem);
        launcher.javaOptions = options.items;
    } else if (key == "arguments") {
        JpackageValues arguments = argumentsFromJpackage({value});
        if (!arguments.problem.empty()) problem(arguments.problem);
        launcher.arguments = arguments.items;
    } else if (key == "icon") {
        launcher.iconPath = value;
    } else if (key == "description") {
        launcher.description = value;
    } else if (key == "app-version") {
        launcher.version = value;
    } else if (key == "win-console") {
        launcher.console = truth(launcher, key, value);
    } else if (key == "win-shortcut") {
        launcher.winShortcut = truth(launcher, key, value);
    } else if (key == "win-menu") {
        launcher.winMenu = truth(launcher, key, value);
    } else if (key == "linux-shortcut") {
        launcher.linuxShortcut = truth(launcher, key, value);
    } else if (key == "linux-app-category") {
        problem(
            "linux-app-category: a package has one section (an .rpm one group) for all its "
            "launchers, which --linux-app-category gives; leave it out");
    } else if (key == "launcher-as-service") {
        problem(
            "launcher-as-service: an image's launchers are programs a user starts; leave "
            "it out");
    } else {
        problem("unknown key '" + key + "': the keys are " + kKnownKeys);
    }
}

}  // namespace

std::vector<AddedLauncher> readAddedLaunchers(const std::vector<std::string>& values,
                                              PathStyle style) {
    std::vector<AddedLauncher> launchers;
    std::set<std::string> names;
    for (const std::string& value : values) {
        size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
            refuse("--add-launcher %s: give NAME=FILE, FILE a properties file of the launcher",
                   shownName(value).c_str());
        AddedLauncher launcher;
        launcher.name = value.substr(0, equals);
        launcher.source = value.substr(equals + 1);
        if (!names.insert(launcher.name).second)
            refuse("--add-launcher names %s twice: give each launcher a name of its own",
                   launcher.name.c_str());
        std::string text, problem;
        std::vector<std::pair<std::string, std::string>> entries;
        if (!readWholeFile(launcher.source, kMaxTextFileSize, text, problem) ||
            !readJavaProperties(text, entries, problem))
            refuse("--add-launcher %s: %s", shownName(value).c_str(), problem.c_str());
        for (const auto& [key, entry] : entries) take(launcher, key, entry, style);
        if (!launcher.mainModule.empty() &&
            (!launcher.mainJar.empty() || !launcher.mainClass.empty()))
            refuse(
                "--add-launcher %s: module names the main module and its class; leave "
                "main-jar and main-class out (or module, for a launcher on the class path)",
                shownName(value).c_str());
        launchers.push_back(std::move(launcher));
    }
    return launchers;
}

}  // namespace trellane
