"""Finding the area in ELF and PE files alike, stamped or not, whatever the block holds."""

import os
import unittest

from stamp_fixture import (AREA_SIZE, LAUNCHER, LAUNCHER_EXE, UNSTAMPED_AREA, StampTestCase,
                           area_offset, block)


def console_subsystem_and_checksum(image: bytes) -> bytes:
    """The PE image with the console subsystem (3) and its header checksum recomputed: what
    write also changes in a console application's launcher.exe."""
    optional_header = int.from_bytes(image[0x3C:0x40], "little") + 24
    checksum_at, subsystem_at = optional_header + 64, optional_header + 68
    image = (image[:checksum_at] + bytes(4) + image[checksum_at + 4:subsystem_at] +
             (3).to_bytes(2, "little") + image[subsystem_at + 2:])
    total = 0
    for at in range(0, len(image), 2):
        total += int.from_bytes(image[at:at + 2], "little")
        total = (total & 0xFFFF) + (total >> 16)
    checksum = ((total & 0xFFFF) + len(image)) & 0xFFFFFFFF
    return image[:checksum_at] + checksum.to_bytes(4, "little") + image[checksum_at + 4:]


class AreaLocationTest(StampTestCase):

    def stamp_and_check(self, source: str, name: str, *options: str, expected: bytes,
                        headers=lambda image: image):
        output = self.path(name)
        self.assert_done(self.write(*options, input_path=source, output=output))
        original = self.read(source)
        at = area_offset(original)
        self.assertEqual(self.read(output),
                         headers(original[:at] + expected + original[at + len(expected):]))
        shown = self.run_stamp("show", output)
        self.assert_done(shown)
        return at, shown.stdout.decode()

    @unittest.skipUnless(os.path.isfile(LAUNCHER_EXE), "launcher.exe is not built")
    def test_windows_launcher(self):
        at, shown = self.stamp_and_check(
            LAUNCHER_EXE, "app.exe", "--main-class", "com.example.Main", "--console-app",
            "--jvm-option", "-Djava.class.path=&&app.jar;&&trellane-runtime.jar",
            "--stack-size", "2M",
            expected=block(b"com.example.Main",
                           [b"-Djava.class.path=&&app.jar;&&trellane-runtime.jar"],
                           flags=0x02, stack_size=2 << 20),
            headers=console_subsystem_and_checksum)
        self.assertTrue(shown.startswith("area offset:               %d (0x%X)\n" % (at, at)))
        self.assertIn('  1 "-Djava.class.path=&&app.jar;&&trellane-runtime.jar"\n', shown)

    def test_underscores_inside_the_block(self):
        # Strings of underscores next to the fill, and a block that leaves one underscore.
        cases = [
            ("_" * 100, ["_" * 2000, "_"], ["_"]),
            ("M", ["_" * 16451], []),
        ]
        for name, options, prefixes in cases:
            with self.subTest(size=len(block(name.encode(), [o.encode() for o in options]))):
                arguments = ["--main-class", name]
                for option in options:
                    arguments += ["--jvm-option", option]
                for prefix in prefixes:
                    arguments += ["--allow-user-option", prefix]
                _, shown = self.stamp_and_check(
                    LAUNCHER, "stamped", *arguments,
                    expected=block(name.encode(), [o.encode() for o in options], [],
                                   [p.encode() for p in prefixes]))
                self.assertIn('mainClassName:             "%s"\n' % name, shown)
                self.assertIn("jvmOptions:                %d\n" % len(options), shown)

    def test_a_full_block_that_reads_as_two_places(self):
        # When the byte after the area is a NUL too (padding, as in launcher.exe), a block that
        # fills the area also reads one byte further on: write says which offset show needs.
        before = b"MZ" + bytes(range(256)) * 4
        at = len(before)
        source = self.file_with("padded", before + UNSTAMPED_AREA + b"\0" * 64 + b"tail")
        output = self.path("stamped")
        name = "c" * 16455
        done = self.write("--main-class", name, input_path=source, output=output)
        self.assertEqual((done.returncode, done.stderr.decode()), (0, (
            "trellane-stamp: note: the block fills the configuration area, so show cannot find "
            "it by itself; use: trellane-stamp show --offset %d %s\n" % (at, output))))

        shown = self.run_stamp("show", output)
        self.assertEqual((shown.returncode, shown.stderr.decode()), (1, (
            "trellane-stamp: %s: the block fills its configuration area, and 2 places read as "
            "it (file offsets %d, %d); give the one write reported with --offset\n"
            % (output, at, at + 1))))

        for offset in (str(at), "0x%x" % at):
            with self.subTest(offset=offset):
                shown = self.run_stamp("show", "--offset", offset, output)
                self.assert_done(shown)
                self.assertIn('mainClassName:             "%s"\n' % name, shown.stdout.decode())

    def test_a_longer_run_holds_the_area_at_its_end(self):
        # The area is the 16,463 underscores right before the NUL; those before it stay.
        before = b"MZ" + b"_" * 100
        source = self.file_with("long-run", before + UNSTAMPED_AREA + b"tail")
        output = self.path("stamped")
        self.assert_done(self.write("--main-class", "M", "--console-app", input_path=source,
                                    output=output))
        expected = block(b"M", flags=0x02)
        self.assertEqual(self.read(output), before + expected + UNSTAMPED_AREA[len(expected):] +
                         b"tail")
        shown = self.run_stamp("show", output)
        self.assert_done(shown)
        self.assertTrue(shown.stdout.decode().startswith("area offset:               %d "
                                                         % len(before)))
        again = self.write("--main-class", "M", input_path=output, output=self.path("again"))
        self.assertEqual((again.returncode, again.stderr.decode()), (1, (
            "trellane-stamp: %s is already stamped; stamp an unstamped launcher instead\n"
            % output)))

    def test_an_appended_unstamped_area_does_not_hide_the_stamp(self):
        stamped = self.path("stamped")
        self.assert_done(self.write("--main-class", "app.Main"))
        appended = self.file_with("appended", self.read(stamped) + b"\0" * 7 + UNSTAMPED_AREA)
        shown = self.run_stamp("show", appended)
        self.assert_done(shown)
        self.assertTrue(shown.stdout.decode().startswith(
            "area offset:               %d " % area_offset(self.read(LAUNCHER))))
        self.assertIn('mainClassName:             "app.Main"\n', shown.stdout.decode())

    def test_files_full_of_nul_bytes_take_one_pass(self):
        # Every NUL could end an area and each such place reads a few hundred bytes as a
        # block here: tried one by one that takes minutes, in one pass a fraction of a second.
        # The run's time limit (run_stamp) is the check.
        source = self.file_with("nul-bytes", b"a\0" * (4 << 20))
        for args, message in [
            (["show", source], "%s holds no configuration area: it is not a trellane launcher"),
            (["write", "--input", source, "--output", self.path("out"), "--main-class", "M"],
             "%s is not an unstamped launcher: it holds no configuration area (16463 "
             "underscores, then a NUL byte)"),
        ]:
            with self.subTest(command=args[0]):
                done = self.run_stamp(*args)
                self.assertEqual((done.returncode, done.stderr.decode()),
                                 (1, "trellane-stamp: " + message % source + "\n"))


if __name__ == "__main__":
    unittest.main()
