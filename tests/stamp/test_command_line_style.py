"""One command-line style for trellane-stamp and trellane-package: --version, the same @FILE
rules, the same names for the same things (the old stamp names as aliases), and usage errors
that name a jpackage option's name here or the option a typo meant."""

import os
import subprocess

from stamp_fixture import LAUNCHER, StampTestCase, block

PACKAGE = os.environ.get("TRELLANE_PACKAGE") or os.path.join(
    os.path.dirname(os.environ["TRELLANE_STAMP"]), "..", "package", "trellane-package")
TOOLS = {"trellane-stamp": os.environ["TRELLANE_STAMP"], "trellane-package": PACKAGE}
HINT = "Run '%s --help' for usage.\n"


class CommandLineStyleTest(StampTestCase):

    def run_tool(self, tool, *args):
        return subprocess.run([TOOLS[tool], *args], capture_output=True, timeout=60,
                              cwd=self.directory)

    def test_both_tools_say_their_version(self):
        for tool in TOOLS:
            with self.subTest(tool=tool):
                done = self.run_tool(tool, "--version")
                self.assertEqual((done.returncode, done.stderr), (0, b""))
                self.assertRegex(done.stdout.decode(), r"^%s \d+\.\d+\.\d+\n$" % tool)

    def test_usage_errors_name_what_was_meant(self):
        cases = [
            # (tool, arguments, message)
            ("trellane-stamp", ["write", "--win-console"],
             "unknown option '--win-console'; did you mean --console-app?"),
            ("trellane-package", ["--win-console"],
             "unknown option '--win-console'; did you mean --console-app?"),
            ("trellane-stamp", ["write", "--dest", "out"],
             "unknown option '--dest'; did you mean --output?"),
            ("trellane-package", ["-d", "out"], "unknown option '-d'; did you mean --dest?"),
            ("trellane-package", ["-n", "App"], "unknown option '-n'; did you mean --name?"),
            ("trellane-stamp", ["write", "--type", "app-image"],
             "unknown option '--type': trellane-stamp stamps, brands and signs a launcher; "
             "trellane-package builds an image"),
            ("trellane-stamp", ["brand", "--main-jar", "app.jar"],
             "unknown option '--main-jar': trellane-stamp stamps, brands and signs a launcher; "
             "trellane-package builds an image"),
            ("trellane-stamp", ["write", "--app-content", "docs"],
             "unknown option '--app-content': trellane-stamp stamps, brands and signs a "
             "launcher; trellane-package builds an image"),
            ("trellane-stamp", ["write", "-m", "app"], "unknown option '-m'; did you mean --module?"),
            ("trellane-stamp", ["write", "--module-path", "mods"],
             "unknown option '--module-path': the launcher's module path is a JVM option: "
             "--java-options '--module-path $APPDIR/mods'"),
            ("trellane-package", ["--java-option=-Xmx1g"],
             "unknown option '--java-option'; did you mean --java-options?"),
            ("trellane-package", ["--bogus"], "unknown option '--bogus'"),
            ("trellane-stamp", ["brand", "--input", LAUNCHER, "--output", "out", "--vendor", ""],
             "option '--vendor' needs a value that is not empty"),
            ("trellane-package", ["--input", "in", "--main-jar", "a.jar", "--sign-pkcs12", ""],
             "option '--sign-pkcs12' needs a value that is not empty"),
            # "--icon=" is an empty value, not a pointer to the next argument.
            ("trellane-package", ["--input", "in", "--main-jar", "a.jar", "--icon=",
                                  "--vendor", "Acme"],
             "option '--icon' needs a value that is not empty"),
            ("trellane-stamp", ["write", "--input", LAUNCHER, "--output", "out", "--main-class",
                                "M", "--name=", "--gui-subsystem"],
             "option '--name' needs a value that is not empty"),
            ("trellane-stamp", ["brand", "--input", LAUNCHER, "--output", "out",
                                "--sign-timeout", "0"],
             "--sign-timeout '0' is not a number of seconds (1 or more)"),
            ("trellane-package", ["--input", "in", "--main-jar", "a.jar", "--sign-timeout=2m"],
             "--sign-timeout '2m' is not a number of seconds (1 or more)"),
        ]
        for tool, args, message in cases:
            with self.subTest(tool=tool, args=args):
                done = self.run_tool(tool, *args)
                self.assertEqual((done.returncode, done.stderr.decode(), done.stdout),
                                 (2, "%s: %s\n" % (tool, message) + HINT % tool, b""))

    def test_the_same_names_and_argument_files_give_the_same_launcher(self):
        # trellane-package's names, whose values are split as jpackage splits them; the old
        # stamp names, one entry per value as written; and an @FILE by the same rules as
        # trellane-package's.
        with open(self.path("args"), "w") as file:
            file.write("# the launch configuration\nwrite --main-class com.example.Main\n"
                       "--java-options '-Dapp.title=\"My App\" -Xmx64m'\n--arguments one\n")
        ways = {
            "shared names": ["write", "--main-class", "com.example.Main",
                             "--java-options", "-Dapp.title='My App'", "--java-options",
                             "-Xmx64m", "--arguments", "one"],
            "old names": ["write", "--main-class", "com.example.Main",
                          "--jvm-option=-Dapp.title=My App", "--jvm-option", "-Xmx64m",
                          "--default-argument", "one"],
            "@file": ["@" + self.path("args")],
        }
        stamped = {}
        for way, args in ways.items():
            with self.subTest(way=way):
                output = self.path(way)
                self.assert_done(self.run_stamp(*args, "--input", LAUNCHER, "--output", output))
                stamped[way] = self.read(output)
        self.assertEqual(len(set(stamped.values())), 1, "one launcher three ways")
        self.assertIn(block(b"com.example.Main", [b"-Dapp.title=My App", b"-Xmx64m"], [b"one"]),
                      stamped["@file"])

    def test_jpackage_values_in_a_launcher_stamped_by_hand(self):
        # The class path is an option here (trellane-stamp knows no jars); the placeholders
        # take the launcher's own path style; the exact forms keep what splitting cannot say.
        exe = os.environ.get("TRELLANE_LAUNCHER_EXE", "")
        cases = [
            ("Linux", LAUNCHER, ["--java-options", "-Djava.class.path=$APPDIR/app.jar "
                                 "--add-opens java.base/java.lang=ALL-UNNAMED",
                                 "--jvm-option", ""],
             [b"-Djava.class.path=&&app.jar", b"--add-opens=java.base/java.lang=ALL-UNNAMED",
              b""]),
            ("Windows", exe, ["--java-options", "-Dapp.bin=$BINDIR"], [b"-Dapp.bin=&&..\\bin"]),
        ]
        for system, launcher, args, options in cases:
            with self.subTest(launcher=system):
                if not os.path.exists(launcher):
                    self.skipTest("no built launcher.exe")
                output = self.path(system)
                self.assert_done(self.run_stamp("write", "--input", launcher, "--output", output,
                                                "--main-class", "M", *args))
                self.assertIn(block(b"M", options), self.read(output))
        done = self.run_stamp("write", "--input", LAUNCHER, "--output", self.path("cp"),
                              "--main-class", "M", "--java-options", "-cp app.jar")
        self.assertEqual((done.returncode, done.stderr.decode()),
                         (1, "trellane-stamp: -cp in --java-options sets the class path the java "
                             "command's way, which the JVM does not read: give it as "
                             "-Djava.class.path=PATH\n"))

    def test_a_main_module_and_a_splash(self):
        # jpackage's --module, and the options of a modular application with a splash.
        for module, name in (("app", b"app/"), ("com.example.app/com.example.app.Main",
                                                b"com.example.app/com.example.app.Main")):
            with self.subTest(module=module):
                output = self.path("module")
                self.assert_done(self.run_stamp(
                    "write", "--input", LAUNCHER, "--output", output, "--module", module,
                    "--java-options", "--module-path $APPDIR/mods -p $APPDIR/more "
                    "-splash:$APPDIR/splash.png -splash:jar:$APPDIR/app.jar!/s.png"))
                self.assertIn(block(name, [b"--module-path=&&mods", b"--module-path=&&more",
                                           b"-splash:&&splash.png",
                                           b"-splash:jar:&&app.jar!/s.png"]),
                              self.read(output))

    def test_argument_files_and_help_follow_the_same_rules(self):
        with open(self.path("unclosed"), "w") as file:
            file.write("--name App\n--vendor \"Acme\n")
        helps = {}
        for tool in TOOLS:
            with self.subTest(tool=tool):
                done = self.run_tool(tool, "@" + self.path("unclosed"))
                self.assertEqual((done.returncode, done.stderr.decode()),
                                 (2, "%s: %s:2: a quote is not closed\n"
                                  % (tool, self.path("unclosed")) + HINT % tool))
                help_text = self.run_tool(
                    tool, *(["write"] if tool == "trellane-stamp" else []), "--help").stdout
                helps[tool] = [line for line in help_text.decode().split("\n")
                               if line.startswith(("  --java-options", "  --arguments",
                                                   "  --sign-", "  --timestamp-url"))]
        self.assertEqual(len(helps["trellane-stamp"]), 15)
        self.assertEqual(helps["trellane-stamp"], helps["trellane-package"])
