#include "stamp/usage.h"

namespace trellane {

namespace {

const char kUsage[] =
    "Usage:\n"
    "  trellane-stamp write --input LAUNCHER --output STAMPED --main-class NAME [OPTION]...\n"
    "  trellane-stamp brand --input LAUNCHER.exe --output BRANDED.exe [OPTION]...\n"
    "  trellane-stamp show [--offset N] STAMPED\n"
    "  trellane-stamp format\n"
    "  trellane-stamp --help\n"
    "\n"
    "write copies LAUNCHER (an unstamped launcher or launcher.exe) to STAMPED with this\n"
    "launch configuration in its configuration area; STAMPED keeps LAUNCHER's permissions.\n"
    "\n"
    "  --main-class NAME           the application's main class, dotted: com.example.Main\n"
    "  --jvm-option OPT            a JVM option, e.g. -Xmx1g; repeatable, kept in order\n"
    "  --default-argument ARG      an argument given to main before the command line's;\n"
    "                              repeatable\n"
    "  --allow-user-option PREFIX  a prefix that options in TRELLANE_JVM_OPTIONS may start\n"
    "                              with; repeatable\n"
    "  --stack-size N[k|m]         the launch thread's stack size in bytes, or in KiB (k) or\n"
    "                              MiB (m); 0 (the default) keeps the executable's default\n"
    "  --use-main-thread           run the application on the primary thread\n"
    "  --console-app               a console application: errors show no message box\n"
    "  --set-up-console            with --console-app: UTF-8 console, VT output\n"
    "  --redirect-appdata          also export LOCALAPPDATA and APPDATA from the\n"
    "                              package-redirected folders\n"
    "\n"
    "Windows launchers only, with write or brand (what is not given stays as the launcher\n"
    "carries it):\n"
    "  --name NAME                 display name; the file name in the version strings is\n"
    "                              NAME.exe\n"
    "  --app-version V             one to four numbers: 1.2 becomes 1.2.0.0\n"
    "  --vendor NAME               CompanyName\n"
    "  --copyright TEXT            LegalCopyright\n"
    "  --icon FILE                 a square PNG (256 pixels or more) or an .ico of 16 to 256\n"
    "                              pixels\n"
    "  --identity NAME             the manifest's identity (default: Vendor.Name)\n"
    "  --gui-subsystem             keep the GUI subsystem (write gives a --console-app the\n"
    "                              console one)\n"
    "  --sign-pkcs12 FILE          sign with a PKCS #12 file, its password from\n"
    "  --sign-password-file FILE     the first line of FILE, or from\n"
    "  --sign-password-env VAR       the environment variable VAR\n"
    "  --sign-cert FILE            sign with a PEM certificate chain (signer first)\n"
    "  --sign-key FILE               and its PEM key\n"
    "  --timestamp-url URL         an RFC 3161 timestamp server (optional)\n"
    "\n"
    "An option's value is the next argument, or follows '=' (--jvm-option=-Xmx1g); it may\n"
    "begin with '-'. Each list holds at most 255 entries. Signing needs osslsigncode.\n"
    "\n"
    "brand brands and/or signs a Windows launcher, stamped or not, and leaves its block and\n"
    "(unless --gui-subsystem) its subsystem as they are; an old signature goes first.\n"
    "show prints the configuration stamped into STAMPED and, for a Windows launcher, its\n"
    "branding and signer. It finds the area by its contents; when a block fills the whole\n"
    "area, write says which --offset to give instead.\n"
    "format prints the configuration block's byte format as markdown tables.\n"
    "\n"
    "Exit status: 0 done; 1 refused, nothing written; 2 command-line error.\n";

}  // namespace

void printUsage(std::FILE* out) {
    std::fputs(kUsage, out);
}

}  // namespace trellane
