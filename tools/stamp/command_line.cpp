#include "stamp/command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "brand/signing.h"
#include "common/command_line_style.h"
#include "common/main_module.h"
#include "common/refusal.h"
#include "stamp/shared_options.h"
#include "stamp/single_instance_option.h"
#include "stamp/windows_image.h"

namespace trellane {

namespace {

const char kDescription[] =
    "trellane-stamp writes a launch configuration into a launcher, brands and signs a Windows\n"
    "launcher, and reads both back.";

const char kFooter[] =
    "Run 'trellane-stamp COMMAND --help' for a command's options. @FILE reads arguments from\n"
    "FILE, as trellane-package does. Exit status: 0 done; 1 refused, nothing written; 2\n"
    "command-line error.";

const char kWriteFooter[] =
    "An option's value is the next argument, or follows '=' (--java-options=-Xmx1g); it may\n"
    "begin with '-'. Each list holds at most 255 entries. STAMPED keeps LAUNCHER's\n"
    "permissions. Branding and signing are for Windows launchers (what is not given stays as\n"
    "the launcher carries it); signing needs osslsigncode 2.5 or later.";

const char kBrandFooter[] =
    "brand leaves the block and (unless --gui-subsystem) the subsystem as they are; an\n"
    "old signature goes first. Signing needs osslsigncode 2.5 or later.";

const char kShowFooter[] =
    "show finds the area by its contents; when a block fills the whole area, write says which\n"
    "--offset to give instead.";

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

// How the launcher being stamped writes paths, for jpackage's placeholders: the Linux launcher
// (ELF) with '/', launcher.exe with '\'. An input that cannot be read is refused when write
// reads it.
PathStyle launcherStyle(const std::string& input) {
    int fd = open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    char start[4] = {0, 0, 0, 0};
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        read(fd, start, sizeof start) == sizeof start && std::string(start, 4) == "\x7F" "ELF") {
        close(fd);
        return PathStyle::Linux;
    }
    if (fd >= 0) close(fd);
    return PathStyle::Windows;
}

// The options of write, and of brand (which takes those that leave the block alone).
struct LauncherOptions {
    WriteRequest request;
    std::string module;
    SharedOptionTexts texts;
    std::vector<CLI::Option*> blockOptions;  // write's only
};

void addLauncherOptions(CLI::App& command, LauncherOptions& options, bool brand) {
    WriteRequest& request = options.request;
    command.add_option("--input", request.input,
                       brand ? "the Windows launcher, stamped or not"
                             : "the unstamped launcher (launcher.exe or the Linux launcher)")
        ->type_name(brand ? "LAUNCHER.exe" : "LAUNCHER");
    command.add_option("--output", request.output, "the file to write")
        ->type_name(brand ? "BRANDED.exe" : "STAMPED");
    // brand knows write's own options only to say they are write's.
    const char* blockGroup = brand ? "" : "Launch configuration";
    options.blockOptions.push_back(
        command
            .add_option("--main-class", request.config.mainClassName,
                        "the application's main class, dotted: com.example.Main")
            ->type_name("CLASS")
            ->group(blockGroup));
    options.blockOptions.push_back(
        command
            .add_option("--module", options.module,
                        "or the main module, and its main class unless the module's descriptor "
                        "names it (a modular application)")
            ->type_name("MODULE[/CLASS]")
            ->group(blockGroup));
    for (CLI::Option* option :
         addLaunchOptions(command, request.config, options.texts, blockGroup, true))
        options.blockOptions.push_back(option);
    const char* branding = "Windows launchers: branding and signing";
    command.add_option("--name", request.metadata.name,
                       "display name; the version strings name NAME.exe")
        ->type_name("NAME")
        ->group(branding);
    addBrandingOptions(command, request.metadata, branding);
    addSigningOptions(command, request.signing, options.texts, branding);
}

// --main-class or --module: what the launcher starts. A main module is written as the block
// says it, MODULE/CLASS or MODULE/.
void takeMain(const CLI::App& command, LauncherOptions& options) {
    std::string& mainClassName = options.request.config.mainClassName;
    bool classGiven = command.count("--main-class") != 0;
    if (command.count("--module") == 0) {
        if (!classGiven) refuseUsage("write needs --main-class (or --module)");
        if (mainClassName.find('/') != std::string::npos)
            refuse(
                "--main-class '%s' is not a class name: a main module and its class are given "
                "as --module MODULE/CLASS",
                mainClassName.c_str());
        return;
    }
    if (classGiven)
        refuseUsage(
            "give --main-class or --module, not both: --module %s/%s names the module's class",
            options.module.c_str(), mainClassName.c_str());
    std::string problem;
    mainClassName = mainModuleEntry(options.module, problem);
    if (mainClassName.empty()) refuse("%s", problem.c_str());
}

void finishLauncherOptions(const CLI::App& command, LauncherOptions& options, bool brand) {
    const char* name = brand ? "brand" : "write";
    if (brand)
        for (const CLI::Option* option : options.blockOptions)
            if (option->count() != 0)
                refuseUsage("option '--%s' is for write: brand leaves the block as it is",
                            option->get_lnames().front().c_str());
    for (const char* option : {"--input", "--output"})
        if (command.count(option) == 0) refuseUsage("%s needs %s", name, option);
    if (!brand) takeMain(command, options);
    refuseEmptyValues(command, {"--name"});
    finishSharedOptions(command, brand ? nullptr : &options.request.config,
                        options.request.signing, options.texts);
    // The class path is one of the options here: trellane-stamp knows no jars.
    if (!brand)
        takeLaunchLists(command, launcherStyle(options.request.input), ClassPathSource::Options,
                        options.request.config);
    LaunchConfig& config = options.request.config;
    if (!brand && config.singleInstance)
        stampInstanceIdentity(
            config, chooseInstanceIdentity(options.texts.singleInstance, options.request.metadata,
                                           options.request.metadata.name, config.mainClassName));
    checkSigningRequest(options.request.signing);
    const WriteRequest& request = options.request;
    if (brand && !wantsBranding(request.metadata) && !wantsSignature(request.signing))
        refuseUsage(
            "brand needs something to do: a branding option (--name, --app-version, --vendor, "
            "--copyright, --icon, --identity, --gui-subsystem) or a key to sign with");
}

}  // namespace

StampRequest parseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(kDescription, "trellane-stamp");
    app.footer(kFooter);
    app.get_formatter()->column_width(34);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("Subcommands", "Commands");

    LauncherOptions write, brand;
    CLI::App* writeCommand =
        app.add_subcommand("write", "copy a launcher with a launch configuration stamped in");
    writeCommand->footer(kWriteFooter);
    addLauncherOptions(*writeCommand, write, false);
    CLI::App* brandCommand =
        app.add_subcommand("brand", "brand and/or sign a copy of a Windows launcher");
    brandCommand->footer(kBrandFooter);
    addLauncherOptions(*brandCommand, brand, true);

    StampRequest request;
    std::string offset;
    CLI::App* showCommand =
        app.add_subcommand("show", "print a launcher's configuration, branding and signer");
    showCommand->footer(kShowFooter);
    showCommand->add_option("STAMPED", request.show.path, "the stamped launcher");
    showCommand->add_option("--offset", offset, "the area's file offset, as write reported it")
        ->type_name("N");
    CLI::App* formatCommand =
        app.add_subcommand("format", "print the block's byte format as markdown tables");

    std::vector<std::string> left = parseInToolStyle(app, arguments);
    if (writeCommand->parsed()) {
        if (!left.empty()) refuseUsage("unexpected argument '%s'", left.front().c_str());
        finishLauncherOptions(*writeCommand, write, false);
        request.command = StampCommand::Write;
        request.write = write.request;
    } else if (brandCommand->parsed()) {
        if (!left.empty()) refuseUsage("unexpected argument '%s'", left.front().c_str());
        finishLauncherOptions(*brandCommand, brand, true);
        request.command = StampCommand::Brand;
        const WriteRequest& options = brand.request;
        request.brand = {options.input, options.output, options.metadata, options.signing};
    } else if (showCommand->parsed()) {
        if (!left.empty() || request.show.path.empty())
            refuseUsage("show takes one file: trellane-stamp show STAMPED");
        if (showCommand->count("--offset") != 0) {
            request.show.offset = parseOffset(offset);
            request.show.offsetGiven = true;
        }
        request.command = StampCommand::Show;
    } else if (formatCommand->parsed()) {
        if (!left.empty()) refuseUsage("format takes no arguments");
        request.command = StampCommand::Format;
    } else if (!left.empty()) {
        refuseUsage("unknown command '%s'", left.front().c_str());
    } else {
        refuseUsage("no command given");
    }
    return request;
}

}  // namespace trellane
