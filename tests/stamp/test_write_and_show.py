"""write stamps exactly the block the launcher reads; show prints it back."""

import os
import stat
import unittest

from stamp_fixture import (LAUNCHER, StampTestCase, area_offset, block)


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
        # lands on the area's own final NUL.
        name = "c" * 16455
        self.assert_done(self.write("--main-class", name))
        shown = self.run_stamp("show", self.path("stamped"))
        self.assert_done(shown)
        self.assertIn("block size:                16464 of 16464 bytes\n", shown.stdout.decode())
        self.assertIn('mainClassName:             "%s"\n' % name, shown.stdout.decode())

    def test_stamping_over_its_own_input(self):
        source = self.file_with("launcher", self.read(LAUNCHER))
        self.assert_done(self.write("--main-class", "Main", input_path=source, output=source))
        shown = self.run_stamp("show", source)
        self.assert_done(shown)
        self.assertIn('mainClassName:             "Main"\n', shown.stdout.decode())

    def test_help(self):
        for args in (["--help"], ["-h"], ["write", "--help"], ["write", "--input", "x", "-h"],
                     ["show", "--help"], ["format", "--help"]):
            with self.subTest(args=args):
                done = self.run_stamp(*args)
                self.assert_done(done)
                self.assertTrue(done.stdout.decode().startswith("Usage:\n"))


if __name__ == "__main__":
    unittest.main()
