#include "stamp/command_line.h"

#include <string>
#include <vector>

#include "common/refusal.h"
#include "common/stack_size.h"

namespace trellane {

namespace {

struct FlagOption {
    const char* name;
    bool LaunchConfig::*field;
};

const FlagOption kFlagOptions[] = {
    {"--use-main-thread", &LaunchConfig::useMainThread},
    {"--console-app", &LaunchConfig::isConsoleApp},
    {"--set-up-console", &LaunchConfig::setUpConsole},
    {"--redirect-appdata", &LaunchConfig::redirectAppDataVariables},
};

using TakeValue = void (*)(WriteRequest&, const std::string&);

struct ValueOption {
    const char* name;
    bool repeatable;  // a list option; the others may be given once
    TakeValue take;
};

const ValueOption kValueOptions[] = {
    {"--input", false, [](WriteRequest& r, const std::string& v) { r.input = v; }},
    {"--output", false, [](WriteRequest& r, const std::string& v) { r.output = v; }},
    {"--main-class", false,
     [](WriteRequest& r, const std::string& v) { r.config.mainClassName = v; }},
    {"--stack-size", false,
     [](WriteRequest& r, const std::string& v) {
         r.config.launchThreadStackSize = parseStackSize(v);
     }},
    {"--jvm-option", true,
     [](WriteRequest& r, const std::string& v) { r.config.jvmOptions.push_back(v); }},
    {"--default-argument", true,
     [](WriteRequest& r, const std::string& v) { r.config.defaultAppArguments.push_back(v); }},
    {"--allow-user-option", true,
     [](WriteRequest& r, const std::string& v) {
         r.config.allowedUserOptionPrefixes.push_back(v);
     }},
};

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

class WriteParser {
  public:
    explicit WriteParser(std::vector<std::string> args) : args_(std::move(args)) {}

    // False when --help stands where an option may.
    bool parse(WriteRequest& request) {
        while (next_ < args_.size())
            if (!takeArgument(request)) return false;
        for (const char* required : {"--input", "--output", "--main-class"})
            if (!given(required)) refuseUsage("write needs %s", required);
        return true;
    }

  private:
    std::vector<std::string> args_;
    size_t next_ = 0;
    std::vector<std::string> given_;

    bool given(const std::string& name) const {
        for (const std::string& seen : given_)
            if (seen == name) return true;
        return false;
    }

    bool takeArgument(WriteRequest& request) {
        const std::string& arg = args_[next_++];
        if (isHelp(arg)) return false;
        size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        std::string name = arg.substr(0, equals);

        for (const FlagOption& flag : kFlagOptions) {
            if (name != flag.name) continue;
            if (equals != std::string::npos) refuseUsage("option '%s' takes no value", flag.name);
            request.config.*flag.field = true;
            return true;
        }
        for (const ValueOption& option : kValueOptions) {
            if (name != option.name) continue;
            if (!option.repeatable && given(name))
                refuseUsage("option '%s' is given more than once", option.name);
            given_.push_back(name);
            option.take(request, valueOf(arg, equals));
            return true;
        }
        if (arg.compare(0, 1, "-") == 0) refuseUsage("unknown option '%s'", name.c_str());
        refuseUsage("unexpected argument '%s'", arg.c_str());
    }

    // The text after '=', or else the next argument whatever it looks like: JVM options and
    // prefixes begin with '-'.
    std::string valueOf(const std::string& arg, size_t equals) {
        if (equals != std::string::npos) return arg.substr(equals + 1);
        if (next_ >= args_.size()) refuseUsage("option '%s' needs a value", arg.c_str());
        return args_[next_++];
    }
};

// --offset: decimal, or hexadecimal after "0x", as show prints it.
size_t parseOffset(const std::string& text) {
    bool hex = text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0;
    std::string digits = hex ? text.substr(2) : text;
    const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (digits.empty() || digits.size() > 15 ||
        digits.find_first_not_of(allowed) != std::string::npos)
        refuseUsage("--offset '%s' is not a file offset", text.c_str());
    return static_cast<size_t>(std::stoull(digits, nullptr, hex ? 16 : 10));
}

// show [--offset N] STAMPED; false when --help stands where an option may.
bool parseShow(const std::vector<std::string>& args, ShowRequest& request) {
    bool pathGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (isHelp(arg)) return false;
        if (arg == "--offset" || arg.compare(0, 9, "--offset=") == 0) {
            if (request.offsetGiven) refuseUsage("option '--offset' is given more than once");
            if (arg == "--offset" && i + 1 == args.size())
                refuseUsage("option '--offset' needs a value");
            request.offset = parseOffset(arg == "--offset" ? args[++i] : arg.substr(9));
            request.offsetGiven = true;
        } else if (arg.compare(0, 1, "-") == 0) {
            refuseUsage("unknown option '%s'", arg.c_str());
        } else {
            if (pathGiven) refuseUsage("show takes one file: trellane-stamp show STAMPED");
            request.path = arg;
            pathGiven = true;
        }
    }
    if (!pathGiven) refuseUsage("show takes one file: trellane-stamp show STAMPED");
    return true;
}

}  // namespace

StampRequest parseCommandLine(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) refuseUsage("no command given");
    const std::string command = args.front();
    std::vector<std::string> rest(args.begin() + 1, args.end());

    StampRequest request;
    if (isHelp(command)) {
        request.command = StampCommand::Help;
    } else if (command == "write") {
        bool complete = WriteParser(rest).parse(request.write);
        request.command = complete ? StampCommand::Write : StampCommand::Help;
    } else if (command == "show") {
        bool complete = parseShow(rest, request.show);
        request.command = complete ? StampCommand::Show : StampCommand::Help;
    } else if (command == "format") {
        bool askedForHelp = rest.size() == 1 && isHelp(rest[0]);
        if (!askedForHelp && !rest.empty()) refuseUsage("format takes no arguments");
        request.command = askedForHelp ? StampCommand::Help : StampCommand::Format;
    } else {
        refuseUsage("unknown command '%s'", command.c_str());
    }
    return request;
}

}  // namespace trellane
