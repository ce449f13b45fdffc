"""write stamps exactly the block the launcher reads; show prints it back."""

import os
import stat
import unittest

from stamp_fixture import (LAUNCHER, LAUNCHER_EXE, StampTestCase, area_offset, block)


class WriteAndShowTest(StampTestCase):

    def test_show_prints_what_write_wrote(self):
        utf8 = "-Dname=caf\u00e9 \u65e5\u672c"
        done = self.write(
            "--main-class", "com.example.Main",
            "--jvm-option", "-Xmx1g",
            "--jvm-option=-Dq=\"a b\\c\"",
            "--jvm-option", "",
            "--jvm-option", utf8,
            "--default-argument", "--help",
            "--default-argument=--stack-size=1",
            "--allow-user-option", "-Xmx",
            "--allow-user-option=-D",
            "--stack-size", "512k",
            "--console-app", "--redirect-appdata")
        self.assert_done(done)
        offset = area_offset(self.read(LAUNCHER))
        size = len(block(b"com.example.Main",
                         [b"-Xmx1g", b'-Dq="a b\\c"', b"", utf8.encode()],
                         [b"--help", b"--stack-size=1"], [b"-Xmx", b"-D"]))
        shown = self.run_stamp("show", self.path("stamped"))
        self.assert_done(shown)
        self.assertEqual(shown.stdout.decode(), "\n".join([
            "area offset:               %d (0x%X)" % (offset, offset),
            "block size:                %d of 16464 bytes" % size,
            "flags:                     0x12",
            "  useMainThread            no",
            "  isConsoleApp             yes",
            "  setUpConsole             no",
            "  redirectAppDataVariables yes",
            "launchThreadStackSize:     524288 (512 KiB)",
            'mainClassName:             "com.example.Main"',
            "jvmOptions:                4",
            '  1 "-Xmx1g"',
            '  2 "-Dq=\\"a b\\\\c\\""',
            '  3 ""',
            '  4 "%s"' % utf8,
            "defaultAppArguments:       2",
            '  1 "--help"',
            '  2 "--stack-size=1"',
            "allowedUserOptionPrefixes: 2",
            '  1 "-Xmx"',
            '  2 "-D"',
            ""]))

    def test_only_the_block_changes_and_permissions_stay(self):
        original = self.read(LAUNCHER)
        source = self.file_with("launcher", original, 0o751)
        self.assert_done(self.write("--main-class", "Main", "--jvm-option", "-Xss4m",
                                    "--use-main-thread", "--set-up-console",
                                    "--stack-size", "0", input_path=source))
        expected = block(b"Main", [b"-Xss4m"], flags=0x05)
        at = area_offset(original)
        stamped = self.read(self.path("stamped"))
        self.assertEqual(stamped, original[:at] + expected + original[at + len(expected):])
        self.assertEqual(stat.S_IMODE(os.stat(self.path("stamped")).st_mode), 0o751)
        self.assertEqual(self.read(source), original)

    def test_single_instance_identity(self):
        # options, the identity stamped; launcher.exe for the branding options
        cases = [
            (["--single-instance"], "M"),
            (["--single-instance="], "M"),
            (["--single-instance=Example.Editor"], "Example.Editor"),
            (["--single-instance", "Example.Editor"], "Example.Editor"),
            (["--single-instance", "--name", "Zoë's Editor", "--vendor", "Example Corp"],
             "ExampleCorp.ZoesEditor"),
            (["--single-instance", "--name", "Editor"], "Editor"),
            (["--single-instance", "--identity", "Example.Ed", "--vendor", "V"], "Example.Ed"),
            (["--single-instance=Given", "--identity", "Example.Ed"], "Given"),
        ]
        for options, identity in cases:
            exe = any(option in ("--name", "--vendor", "--identity") for option in options)
            with self.subTest(options=options):
                if exe and not os.path.isfile(LAUNCHER_EXE):
                    self.skipTest("launcher.exe is not built")
                source = LAUNCHER_EXE if exe else LAUNCHER
                self.assert_done(self.write("--main-class", "M", "--java-options", "-Xmx1g",
                                            *options, input_path=source))
                expected = block(b"M", [b"-Xmx1g", b"-Dtrellane.singleInstance=" +
                                        identity.encode()])
                at = area_offset(self.read(source))
                self.assertEqual(self.read(self.path("stamped"))[at:at + len(expected)],
                                 expected)
        # A main module's class, or the module when its descriptor names the class.
        for module, identity in (("app/com.example.Main", "com.example.Main"), ("app", "app")):
            with self.subTest(module=module):
                self.assert_done(self.run_stamp("write", "--input", LAUNCHER, "--output",
                                                self.path("stamped"), "--module", module,
                                                "--single-instance"))
                shown = self.run_stamp("show", self.path("stamped")).stdout.decode()
                self.assertIn('\n  1 "-Dtrellane.singleInstance=%s"\n' % identity, shown)

    def test_stack_sizes(self):
        cases = {
            "0": 0, "4096": 4096, "4294967295": 0xFFFFFFFF, "00012": 12,
            "1k": 1024, "64K": 65536, "4194303k": 4194303 * 1024,
            "2m": 2 << 20, "8M": 8 << 20, "4095m": 4095 << 20,
        }
        at = area_offset(self.read(LAUNCHER))
        for text, size in cases.items():
            with self.subTest(stack_size=text):
                self.assert_done(self.write("--main-class", "M", "--stack-size=" + text))
                stamped = self.read(self.path("stamped"))
                self.assertEqual(int.from_bytes(stamped[at + 1:at + 5], "big"), size)

    def test_a_block_may_fill_the_area(self):
        # A name of n bytes alone makes a block of n + 9 bytes: the last count byte then
        # lands on the area's own final NUL. Whether show finds it alone depends on what the
        # linker put after the area (NUL padding reads alike one byte on); write says so.
        name = "c" * 16455
        at = area_offset(self.read(LAUNCHER))
        stamped = self.path("stamped")
        done = self.write("--main-class", name, output=stamped)
        self.assertEqual(done.returncode, 0)
        self.assertIn(done.stderr.decode(), ["", (
            "trellane-stamp: note: the block fills the configuration area, so show cannot find "
            "it by itself; use: trellane-stamp show --offset %d %s\n" % (at, stamped))])
        shown = self.run_stamp("show", "--offset", str(at), stamped)
        self.assert_done(shown)
        self.assertIn("block size:                16464 of 16464 bytes\n", shown.stdout.decode())
        self.assertIn('mainClassName:             "%s"\n' % name, shown.stdout.decode())
        if not done.stderr:
            self.assertEqual(self.run_stamp("show", stamped).stdout, shown.stdout)

    def test_control_characters_are_escaped(self):
        # C0, DEL and the C1 controls U+0080 to U+009F (C2 80 to C2 9F in UTF-8, which a
        # terminal obeys: C2 9B opens an escape sequence); the characters around them are text.
        cases = [
            ("\x1b[31mred", "\\x1B[31mred"),
            ("tab\there\x7f", "tab\\x09here\\x7F"),
            ("\u009b31mred", "\\xC2\\x9B31mred"),
            ("\u0080\u0085\u009f", "\\xC2\\x80\\xC2\\x85\\xC2\\x9F"),
            ("\u00a0\u00c2\u00a9 caf\u00e9", "\u00a0\u00c2\u00a9 caf\u00e9"),
        ]
        options = []
        for text, _ in cases:
            options += ["--jvm-option", text]
        self.assert_done(self.write("--main-class", "M", *options))
        shown = self.run_stamp("show", self.path("stamped"))
        self.assert_done(shown)
        lines = shown.stdout.decode().split("\n")
        at = lines.index("jvmOptions:                %d" % len(cases))
        self.assertEqual(lines[at + 1:at + 1 + len(cases)],
                         ['  %d "%s"' % (i + 1, quoted) for i, (_, quoted) in enumerate(cases)])

    def test_stamping_over_its_own_input(self):
        source = self.file_with("launcher", self.read(LAUNCHER))
        self.assert_done(self.write("--main-class", "Main", input_path=source, output=source))
        shown = self.run_stamp("show", source)
        self.assert_done(shown)
        self.assertIn('mainClassName:             "Main"\n', shown.stdout.decode())

    def test_help(self):
        for args, usage in ((["--help"], "trellane-stamp [OPTIONS] [COMMAND]"),
                            (["-h"], "trellane-stamp [OPTIONS] [COMMAND]"),
                            (["write", "--help"], "trellane-stamp write [OPTIONS]"),
                            (["write", "--input", "x", "-h"], "trellane-stamp write [OPTIONS]"),
                            (["show", "--help"], "trellane-stamp show [OPTIONS] [STAMPED]"),
                            (["format", "--help"], "trellane-stamp format [OPTIONS]")):
            with self.subTest(args=args):
                done = self.run_stamp(*args)
                self.assert_done(done)
                self.assertIn("\nUsage: %s\n" % usage, done.stdout.decode())

if __name__ == "__main__":
    unittest.main()
