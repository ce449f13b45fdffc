#include "stamp/command_line.h"

#include <string>
#include <vector>

#include "brand/signing.h"
#include "common/refusal.h"
#include "common/stack_size.h"
#include "stamp/windows_image.h"

namespace trellane {

namespace {

// Which commands take an option, and how.
enum OptionTrait : unsigned {
    kRepeatable = 1,  // a list option; the others may be given once
    kWriteOnly = 2,   // sets the block, which brand leaves as it is
    kNonEmpty = 4,    // branding and signing: an empty value would silently do nothing
};

struct FlagOption {
    const char* name;
    unsigned traits;
    void (*set)(WriteRequest&);
};

const FlagOption kFlagOptions[] = {
    {"--use-main-thread", kWriteOnly, [](WriteRequest& r) { r.config.useMainThread = true; }},
    {"--console-app", kWriteOnly, [](WriteRequest& r) { r.config.isConsoleApp = true; }},
    {"--set-up-console", kWriteOnly, [](WriteRequest& r) { r.config.setUpConsole = true; }},
    {"--redirect-appdata", kWriteOnly,
     [](WriteRequest& r) { r.config.redirectAppDataVariables = true; }},
    {"--gui-subsystem", 0, [](WriteRequest& r) { r.metadata.guiSubsystem = true; }},
};

using TakeValue = void (*)(WriteRequest&, const std::string&);

struct ValueOption {
    const char* name;
    unsigned traits;
    TakeValue take;
};

const ValueOption kValueOptions[] = {
    {"--input", 0, [](WriteRequest& r, const std::string& v) { r.input = v; }},
    {"--output", 0, [](WriteRequest& r, const std::string& v) { r.output = v; }},
    {"--main-class", kWriteOnly,
     [](WriteRequest& r, const std::string& v) { r.config.mainClassName = v; }},
    {"--stack-size", kWriteOnly,
     [](WriteRequest& r, const std::string& v) {
         r.config.launchThreadStackSize = parseStackSize(v);
     }},
    {"--jvm-option", kWriteOnly | kRepeatable,
     [](WriteRequest& r, const std::string& v) { r.config.jvmOptions.push_back(v); }},
    {"--default-argument", kWriteOnly | kRepeatable,
     [](WriteRequest& r, const std::string& v) { r.config.defaultAppArguments.push_back(v); }},
    {"--allow-user-option", kWriteOnly | kRepeatable,
     [](WriteRequest& r, const std::string& v) {
         r.config.allowedUserOptionPrefixes.push_back(v);
     }},
    {"--name", kNonEmpty, [](WriteRequest& r, const std::string& v) { r.metadata.name = v; }},
    {"--app-version", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.metadata.version = v; }},
    {"--vendor", kNonEmpty, [](WriteRequest& r, const std::string& v) { r.metadata.vendor = v; }},
    {"--copyright", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.metadata.copyright = v; }},
    {"--icon", kNonEmpty, [](WriteRequest& r, const std::string& v) { r.metadata.iconPath = v; }},
    {"--identity", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.metadata.identity = v; }},
    {"--sign-pkcs12", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.signing.pkcs12Path = v; }},
    {"--sign-password-file", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.signing.passwordFile = v; }},
    {"--sign-password-env", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.signing.passwordEnv = v; }},
    {"--sign-cert", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.signing.certPath = v; }},
    {"--sign-key", kNonEmpty, [](WriteRequest& r, const std::string& v) { r.signing.keyPath = v; }},
    {"--timestamp-url", kNonEmpty,
     [](WriteRequest& r, const std::string& v) { r.signing.timestampUrl = v; }},
};

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

// The options of write, or of brand (those that leave the block alone), into a WriteRequest.
class OptionParser {
  public:
    OptionParser(std::vector<std::string> args, bool brand)
        : args_(std::move(args)), brand_(brand) {}

    // False when --help stands where an option may.
    bool parse(WriteRequest& request) {
        while (next_ < args_.size())
            if (!takeArgument(request)) return false;
        std::vector<const char*> required = {"--input", "--output"};
        if (!brand_) required.push_back("--main-class");
        for (const char* option : required)
            if (!given(option)) refuseUsage("%s needs %s", brand_ ? "brand" : "write", option);
        checkSigningRequest(request.signing);
        return true;
    }

  private:
    std::vector<std::string> args_;
    bool brand_;
    size_t next_ = 0;
    std::vector<std::string> given_;

    bool given(const std::string& name) const {
        for (const std::string& seen : given_)
            if (seen == name) return true;
        return false;
    }

    void checkCommand(const char* name, unsigned traits) const {
        if (brand_ && (traits & kWriteOnly))
            refuseUsage("option '%s' is for write: brand leaves the block as it is", name);
    }

    bool takeArgument(WriteRequest& request) {
        const std::string& arg = args_[next_++];
        if (isHelp(arg)) return false;
        size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        std::string name = arg.substr(0, equals);

        for (const FlagOption& flag : kFlagOptions) {
            if (name != flag.name) continue;
            checkCommand(flag.name, flag.traits);
            if (equals != std::string::npos) refuseUsage("option '%s' takes no value", flag.name);
            flag.set(request);
            return true;
        }
        for (const ValueOption& option : kValueOptions) {
            if (name != option.name) continue;
            checkCommand(option.name, option.traits);
            if (!(option.traits & kRepeatable) && given(name))
                refuseUsage("option '%s' is given more than once", option.name);
            given_.push_back(name);
            std::string value = valueOf(arg, equals);
            if ((option.traits & kNonEmpty) && value.empty())
                refuseUsage("option '%s' needs a value that is not empty", option.name);
            option.take(request, value);
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

// brand [OPTION]...: branding or signing, or both; false when --help stands where an option
// may.
bool parseBrand(const std::vector<std::string>& args, BrandRequest& request) {
    WriteRequest options;
    if (!OptionParser(args, true).parse(options)) return false;
    if (!wantsBranding(options.metadata) && !wantsSignature(options.signing))
        refuseUsage(
            "brand needs something to do: a branding option (--name, --app-version, --vendor, "
            "--copyright, --icon, --identity, --gui-subsystem) or a key to sign with");
    request = BrandRequest{options.input, options.output, options.metadata, options.signing};
    return true;
}

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
        bool complete = OptionParser(rest, false).parse(request.write);
        request.command = complete ? StampCommand::Write : StampCommand::Help;
    } else if (command == "brand") {
        bool complete = parseBrand(rest, request.brand);
        request.command = complete ? StampCommand::Brand : StampCommand::Help;
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
