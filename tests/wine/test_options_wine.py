"""User JVM options and the option expansions in the Windows launcher: TRELLANE_JVM_OPTIONS
with its exact messages and the error box, the system directory, the home shorthand from
USERPROFILE, and class path wildcards searched with FindFirstFileA over a real directory."""

import os
import unittest

from launcher_install import LaunchSettings, StartPlan
from wine_case import (KNOWN_FOLDER_CAPTION, KNOWN_FOLDER_ERROR, WineTestCase, message_boxes,
                       setUpModule)  # noqa: F401

COMMAND_OPTION = b"-Dsun.java.command=com.example.Main"


class UserOptionsTest(WineTestCase):
    def test_accepted_options_follow_the_command_option(self):
        install = self.install(LaunchSettings(allowed_prefixes=["-Dapp.", "-Xmx"]))
        value = "-Dapp.a=1\t'-Dapp.b=x y' -Dapp.dir=C:\\\\Data\\\\&& -Xmx64m"
        launch = install.run(env={"TRELLANE_JVM_OPTIONS": value})
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.options, [
            COMMAND_OPTION, b"-Dapp.a=1", b"-Dapp.b=x y",
            ("-Dapp.dir=C:\\Data\\" + install.app_dir).encode(), b"-Xmx64m"])

    def test_failures_end_the_launch_before_the_jvm(self):
        cases = (
            ((), "   ", b"TRELLANE_JVM_OPTIONS is not enabled for this app."),
            (("-Dapp.",), "-Dapp.x='abc", b"Unterminated quote in TRELLANE_JVM_OPTIONS."),
            (("-Dapp.",), "-Dapp.x=1 -Dother=%s%n%d",
             b"Disallowed JVM option in TRELLANE_JVM_OPTIONS: -Dother=%s%n%d"),
        )
        for console_app in (False, True):
            for prefixes, value, message in cases:
                with self.subTest(console_app=console_app, value=value):
                    install = self.install(LaunchSettings(allowed_prefixes=list(prefixes),
                                                          console_app=console_app))
                    env = {"TRELLANE_JVM_OPTIONS": value}
                    launch = install.run(env=env)
                    self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + message + b"\r\n")
                    self.assertFalse(launch.log.created)
                    # Again with the message box traced (the trace shares standard error).
                    traced = install.run(env=env, winedebug="-all,+relay")
                    boxes = [box for box in message_boxes(traced.stderr)
                             if box[2] != KNOWN_FOLDER_CAPTION]
                    # Only a refused option is shown, and only to a GUI application.
                    expected = []
                    if not console_app and message.startswith(b"Disallowed"):
                        expected = [("00000000", message.decode(), "Invalid JVM option",
                                     "00201010")]
                    self.assertEqual(boxes, expected)


class SystemDirectoryTest(WineTestCase):
    def test_first_placeholder_becomes_the_system_directory(self):
        install = self.install(LaunchSettings(jvm_options=[
            "-Djava.library.path=&&bin;<windows-system-path>;<windows-system-path>",
            "-Dx=<Windows-System-Path>"]))
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.options, [
            ("-Djava.library.path=%sbin;C:\\windows\\system32;<windows-system-path>"
             % install.app_dir).encode(),
            b"-Dx=<Windows-System-Path>", COMMAND_OPTION])


class HomeTest(WineTestCase):
    def test_shorthand_takes_the_user_profile(self):
        install = self.install(LaunchSettings(jvm_options=[
            "-Dk=~/a;~/b;c~/d", "~/x", "-cp ~/c.jar;~/d.jar", "-Dk=~\\e"]))
        profile = "C:\\Users\\Tëster"
        cases = (
            (profile, ["-Dk=%s\\a;%s\\b;c~/d" % (profile, profile), profile + "\\x",
                       "-cp ~/c.jar;%s\\d.jar" % profile, "-Dk=~\\e"]),
            ("", ["-Dk=~/a;~/b;c~/d", "\\x", "-cp ~/c.jar;~/d.jar", "-Dk=~\\e"]),
            (None, ["-Dk=~/a;~/b;c~/d", "~/x", "-cp ~/c.jar;~/d.jar", "-Dk=~\\e"]),
        )
        for value, expected in cases:
            with self.subTest(profile=value):
                plan = (StartPlan(unset=["USERPROFILE"]) if value is None
                        else StartPlan(set={"USERPROFILE": value}))
                launch = install.start(plan)
                self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                self.assertEqual(launch.log.options[:-1], [o.encode() for o in expected])


class WildcardTest(WineTestCase):
    def test_entries_become_the_files_the_search_finds(self):
        install = self.install(LaunchSettings(jvm_options=[
            "-Djava.class.path=&&lib\\*.jar",
            "-Dfirst -cp ;&&lib/A*;;&&lib/none*;&&lib/*.JAR;",
            "-classpath &&lib\\*",
            "-Djava.class.path=*.jar;&&lib;&&lib/Sub*"]))
        lib = os.path.join(install.root, "app", "lib")
        os.makedirs(os.path.join(lib, "Sub.jar"))
        for name in ("a.jar", "b.jar", "notes.txt", ".hidden.jar"):
            open(os.path.join(lib, name), "wb").close()
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        options = [o.decode() for o in launch.log.options]
        prefix = install.app_dir + "lib"

        def entries(option, key):
            self.assertTrue(option.startswith(key), option)
            return option[len(key):].split(";")

        # Found names keep the search's order; "." and "..", and Sub.jar, are directories.
        self.assertCountEqual(entries(options[0], "-Djava.class.path="),
                              [prefix + "\\" + n for n in ("a.jar", "b.jar", ".hidden.jar")])
        # The search ignores letter case, the "*.jar" suffix test does not.
        self.assertEqual(options[1], "-Dfirst -cp %s/a.jar;;%s/none*;%s/*.JAR"
                         % (prefix, prefix, prefix))
        self.assertCountEqual(entries(options[2], "-classpath "),
                              [prefix + "\\" + n
                               for n in ("a.jar", "b.jar", "notes.txt", ".hidden.jar")])
        self.assertEqual(options[3], "-Djava.class.path=*.jar;%s;%s/Sub*" % (prefix, prefix))


if __name__ == "__main__":
    unittest.main()
