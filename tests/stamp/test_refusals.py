"""What trellane-stamp refuses: a message, a non-zero status, and no output file."""

import os
import unittest

from stamp_fixture import (AREA_SIZE, LAUNCHER, MAX_FILE_SIZE, UNSTAMPED_AREA, StampTestCase,
                           shown_name)

USAGE_HINT = "Run 'trellane-stamp --help' for usage.\n"


class WriteRefusalTest(StampTestCase):

    def assert_refused(self, done, status: int, message: str):
        self.assertEqual((done.returncode, done.stderr.decode()),
                         (status, "trellane-stamp: " + message + "\n" +
                          (USAGE_HINT if status == 2 else "")))
        self.assertEqual(done.stdout, b"")
        self.assertEqual(sorted(os.listdir(self.directory)), self.inputs)

    def setUp(self):
        super().setUp()
        self.stamped = self.path("already")
        self.assert_done(self.write("--main-class", "M", output=self.stamped))
        self.text = self.file_with("notes.txt", b"no launcher here\n")
        self.twice = self.file_with("twice", b"x" + UNSTAMPED_AREA + b"y" + UNSTAMPED_AREA)
        self.appended = self.file_with("appended", self.read(self.stamped) + UNSTAMPED_AREA)
        self.double_run = self.file_with("double-run", b"x" + b"_" * (2 * (AREA_SIZE - 1)) + b"\0")
        self.fifo = self.path("fifo")
        os.mkfifo(self.fifo)
        self.large = self.sparse_file("large", MAX_FILE_SIZE + 1)
        # Names that would recolour the terminal, or print a line that reads as another
        # message, were they printed as they are.
        self.escape = self.file_with("notes\x1b[31m red\x1b[0m\u009b2J.txt", b"no launcher\n")
        self.newline = self.path("missing\ntrellane-stamp: wrote it\\")
        self.inputs = sorted(os.listdir(self.directory))

    def test_launchers_it_cannot_stamp(self):
        missing = self.path("missing")
        cases = [
            (self.stamped, "%s is already stamped; stamp an unstamped launcher instead"),
            (self.text, "%s is not an unstamped launcher: it holds no configuration area "
                        "(16463 underscores, then a NUL byte)"),
            (self.twice, "%s holds 2 unstamped configuration areas (file offsets 1, 16466); "
                         "a launcher holds one"),
            # An unstamped area after a stamped one does not make the launcher unstamped.
            (self.appended, "%s is already stamped; stamp an unstamped launcher instead"),
            # Stamping the area at the run's end would leave another area's worth before it.
            (self.double_run, "%s holds 32926 underscores before the NUL byte at file offset "
                              "32927, two configuration areas' worth or more; stamp a launcher "
                              "as built, whose area is 16463 underscores and a NUL"),
            (missing, "cannot read %s: No such file or directory"),
            (self.directory, "cannot read %s: not a regular file"),
            (self.fifo, "cannot read %s: not a regular file"),
            (self.large, "%s is 67108865 bytes, more than any launcher (64 MiB at most): "
                         "give a launcher"),
            (self.escape, "%s is not an unstamped launcher: it holds no configuration area "
                          "(16463 underscores, then a NUL byte)"),
            (self.newline, "cannot read %s: No such file or directory"),
        ]
        for path, message in cases:
            with self.subTest(input=path):
                self.assert_refused(self.write("--main-class", "M", input_path=path), 1,
                                    message % shown_name(path))
        self.assertIn("notes\\x1B[31m red\\x1B[0m\\xC2\\x9B2J.txt", shown_name(self.escape))

    def test_configurations_the_block_cannot_hold(self):
        def repeated(option, count):
            return [option + "=-D%d" % i for i in range(count)]
        cases = [
            (repeated("--jvm-option", 256), "jvmOptions has 256 entries; a list holds at most 255"),
            (repeated("--default-argument", 256),
             "defaultAppArguments has 256 entries; a list holds at most 255"),
            (repeated("--allow-user-option", 256),
             "allowedUserOptionPrefixes has 256 entries; a list holds at most 255"),
            # One byte more than a block that fills the area exactly.
            (["--main-class", "c" * 16456],
             "the block takes 16465 bytes; the configuration area holds 16464"),
            (["--jvm-option", "o" * 8000, "--default-argument", "a" * 8000, "--allow-user-option",
              "p" * 500], "the block takes 16513 bytes; the configuration area holds 16464"),
            # The block can hold it, but no launcher could start the application.
            (["--main-class", ""], "the main class name is empty; name the application's main "
                                   "class, e.g. com.example.Main"),
        ]
        for options, problem in cases:
            with self.subTest(problem=problem):
                options = options if options[0] == "--main-class" else ["--main-class", "M"] + options
                self.assert_refused(self.write(*options), 1, "cannot stamp: " + problem)

    def test_single_instance_identities(self):
        rule = ("cannot be the single-instance identity: it takes 1 to 255 of the ASCII letters "
                "and digits and . _ - $; give one with --single-instance=ID, such as Vendor.App")
        cases = [
            (["--main-class", "M", "--single-instance=a b"], "'a b' " + rule),
            (["--main-class", "M", "--single-instance=" + "x" * 256], "'%s' %s" % ("x" * 256, rule)),
            (["--main-class", "caf\u00e9.Main", "--single-instance"], "'caf\u00e9.Main' " + rule),
            (["--main-class", "M", "--jvm-option", "-Dtrellane.singleInstance=x",
              "--single-instance"],
             "the JVM option -Dtrellane.singleInstance=x is --single-instance's to set: give "
             "--single-instance=ID instead"),
            (["--main-class", "M", "--java-options", "-Xmx1g -Dtrellane.singleInstance"],
             "the JVM option -Dtrellane.singleInstance is --single-instance's to set: give "
             "--single-instance=ID instead"),
        ]
        for options, message in cases:
            with self.subTest(options=options):
                self.assert_refused(self.write(*options), 1, message)

    def test_main_modules_that_cannot_be_started(self):
        cases = [
            (["--main-class", "app/app.Main"],
             "--main-class 'app/app.Main' is not a class name: a main module and its class are "
             "given as --module MODULE/CLASS"),
        ]
        for value, what in (("", "names no module"), ("/app.Main", "names no module"),
                            ("1app", "names no module"), ("my-app", "names no module"),
                            ("app.", "names no module"), ("app/x/y", "'x/y' is not"),
                            ("app/", "'' is not"), ("app/Main.", "'Main.' is not")):
            problem = ("--module '%s' names no module: give MODULE or MODULE/CLASS, e.g. "
                       "com.example.app/com.example.app.Main" % value
                       if what == "names no module" else
                       "--module '%s': %s a class name; write MODULE/CLASS with a dotted class "
                       "name, or MODULE alone for the main class its descriptor names"
                       % (value, what))
            cases.append((["--module", value], problem))
        for options, problem in cases:
            with self.subTest(options=options):
                self.assert_refused(self.write(*options), 1, problem)

    def test_stack_sizes(self):
        too_large = ["4294967296", "4194304k", "4096M", "99999999999999999999999999m"]
        malformed = ["", "-1", "+5", "1.5m", "12kb", " 12", "12 ", "0x10", "4g", "k", "1 k",
                     "\u0661"]
        for text in too_large:
            with self.subTest(stack_size=text):
                self.assert_refused(
                    self.write("--main-class", "M", "--stack-size", text), 1,
                    "--stack-size '%s' is over 4294967295 bytes, the most the block holds" % text)
        for text in malformed:
            with self.subTest(stack_size=text):
                self.assert_refused(
                    self.write("--main-class", "M", "--stack-size=" + text), 2,
                    "--stack-size '%s' is not a size: give bytes, or a whole number and k or m"
                    % text)

    def test_command_lines(self):
        cases = [
            ([], "no command given"),
            (["stamp"], "unknown command 'stamp'"),
            (["write", "--input", LAUNCHER, "--output", self.path("out")],
             "write needs --main-class (or --module)"),
            (["write", "--input", LAUNCHER, "--output", self.path("out"), "--module", "app",
              "--main-class", "app.Main"],
             "give --main-class or --module, not both: --module app/app.Main names the module's "
             "class"),
            (["write", "--main-class", "M", "--output", self.path("out")], "write needs --input"),
            (["write", "--input", LAUNCHER, "--main-class", "M"], "write needs --output"),
            (["write", "--main-class", "M", "--jvm-option"], "option '--jvm-option' needs a value"),
            (["write", "--main-class", "M", "--main-class", "N"],
             "option '--main-class' is given more than once"),
            (["write", "--main-class", "M", "--jvm-options", "-Xmx1g"],
             "unknown option '--jvm-options'; did you mean --jvm-option?"),
            (["write", "--mainclass=M"], "unknown option '--mainclass'; did you mean --main-class?"),
            (["write", "--bogus"], "unknown option '--bogus'"),
            (["write", "--main-class", "M", "extra"], "unexpected argument 'extra'"),
            (["show"], "show takes one file: trellane-stamp show STAMPED"),
            (["show", "a", "b"], "show takes one file: trellane-stamp show STAMPED"),
            (["show", "--offset", "12x", "a"], "--offset '12x' is not a file offset"),
            (["show", "a", "--offset"], "option '--offset' needs a value"),
            (["format", "extra"], "format takes no arguments"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.assert_refused(self.run_stamp(*args), 2, message)

    def test_a_refusal_leaves_an_existing_output_alone(self):
        output = self.file_with("previous", b"previous contents")
        self.inputs = sorted(os.listdir(self.directory))
        self.assert_refused(self.write("--main-class", "M", input_path=self.stamped,
                                       output=output), 1,
                            "%s is already stamped; stamp an unstamped launcher instead"
                            % self.stamped)
        self.assertEqual(self.read(output), b"previous contents")


class ShowRefusalTest(StampTestCase):

    def test_files_without_a_stamped_area(self):
        text = self.file_with("notes.txt", b"no launcher here\n")
        stamped = self.path("stamped")
        self.assert_done(self.write("--main-class", "M", output=stamped))
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        large = self.sparse_file("large", MAX_FILE_SIZE + 1)
        cases = [
            ([LAUNCHER], "%s is not stamped: its configuration area holds only underscores"
             % LAUNCHER),
            ([text], "%s holds no configuration area: it is not a trellane launcher" % text),
            (["--offset", "7", stamped],
             "%s holds no stamped configuration area at file offset 7" % stamped),
            (["--offset=0x7fffffffffff", stamped],
             "%s holds no stamped configuration area at file offset 140737488355327" % stamped),
            ([self.path("missing")],
             "cannot read %s: No such file or directory" % self.path("missing")),
            ([fifo], "cannot read %s: not a regular file" % fifo),
            ([large], "%s is 67108865 bytes, more than any launcher (64 MiB at most): give a "
                      "launcher" % large),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                done = self.run_stamp("show", *args)
                self.assertEqual((done.returncode, done.stderr.decode(), done.stdout),
                                 (1, "trellane-stamp: " + message + "\n", b""))


if __name__ == "__main__":
    unittest.main()
