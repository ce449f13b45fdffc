"""What trellane-package refuses: status 1 (2 for a wrong command line), one message saying what
to do, and nothing written, not even a temporary folder. The runtimes it refuses are in
test_runtimes, the --java-options and --arguments values in test_java_options."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from package_fixture import (PackageTestCase, jar, jar_declaring, linux_runtime, listing,
                             windows_runtime, write)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
from signing_keys import make_certificates  # noqa: E402  (found through the path above)

USAGE_HINT = "Run 'trellane-package --help' for usage.\n"


class RefusalTest(PackageTestCase):

    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.mkdtemp(prefix="package-keys-")
        make_certificates(cls.keys)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys)

    def setUp(self):
        super().setUp()
        self.sample_input()
        os.makedirs(self.path("folder-jar", "app.jar"))
        write(self.path("broken", "app.jar"), "not a zip archive")
        jar(self.path("no-main", "app.jar"), ["com.example.Main"])
        jar(self.path("colon", "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        jar(self.path("colon", "lib", "a:b.jar"), ["org.Ab"])
        jar(self.path("odd-names", "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        write(self.path("odd-names", "data", "what?.txt"), "?")
        # Names that would act on the terminal or start a line of their own, printed raw.
        jar(self.path("escapes", "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        write(self.path("escapes", "lib", "\x1b[2J\u009b31m\ntrellane-package: built.jar"), "no zip")
        linux_runtime(self.path("linux-17"))
        windows_runtime(self.path("windows-17"))
        write(self.path("dests", "foreign", "app", "notes.txt"), "someone else's folder")
        self.assertEqual(self.package("--input", "input", "--main-jar", "app.jar", "--dest",
                                      "dests/ours", "--runtime-image", "linux-17",
                                      "--quiet").returncode, 0)

    def test_refusals(self):
        linux = ["--runtime-image", "linux-17"]
        windows = ["--target", "windows", "--runtime-image", "windows-17"]
        sample = ["--input", "input", "--main-jar", "app.jar"]
        stamped = self.path("dests", "ours", "app", "bin", "app")
        p12 = os.path.join(self.keys, "leaf.p12")
        wrong_password = os.path.join(self.keys, "wrong-password.txt")
        cases = [
            # (arguments, status, message); the target's default launcher unless a case names one
            (["--input", "input", "--main-jar", "missing.jar"] + linux, 1,
             "the main jar input/missing.jar does not exist (--main-jar is relative to the "
             "--input folder)"),
            (["--input", "folder-jar", "--main-jar", "app.jar"] + linux, 1,
             "the main jar folder-jar/app.jar is a folder, not a jar: give the jar file with "
             "--main-jar"),
            (["--input", "broken", "--main-jar", "app.jar"] + linux, 1,
             "broken/app.jar is not a jar (a zip archive): Not a zip archive; repair it or "
             "remove it"),
            (["--input", "no-main", "--main-jar", "app.jar"] + linux, 1,
             "no main class: give --main-class, or a main jar whose manifest has a Main-Class "
             "(app.jar has none)"),
            (sample + ["--main-class", "com.example.Missing"] + linux, 1,
             "the main class com.example.Missing is in none of the 4 jars of input: check "
             "--main-class (dotted: com.example.Main) and the jars"),
            (sample + ["--class-path-wildcard", "plugins"] + linux, 1,
             "--class-path-wildcard plugins: input has no such folder"),
            (["--input", "colon", "--main-jar", "app.jar"] + linux, 1,
             "colon/lib/a:b.jar cannot be on the class path: its name holds ':', which "
             "separates the class path's entries; rename it"),
            (["--input", "escapes", "--main-jar", "app.jar"] + linux, 1,
             "escapes/lib/\\x1B[2J\\xC2\\x9B31m\\x0Atrellane-package: built.jar is not a jar "
             "(a zip archive): Not a zip archive; repair it or remove it"),
            (["--input", "input", "--main-jar", "a\\b\x1b]0;title\x07.jar"] + linux, 1,
             "the main jar input/a\\\\b\\x1B]0;title\\x07.jar does not exist (--main-jar is "
             "relative to the --input folder)"),
            (sample + windows + ["--name", "My:App"], 1,
             'the name "My:App" holds \':\', which Windows forbids in names, so it cannot name '
             "a Windows program; choose another --name"),
            (sample + windows + ["--name", "aux"], 1,
             'the name "aux" is a Windows device name, so it cannot name a Windows program; '
             "choose another --name"),
            (["--input", "odd-names", "--main-jar", "app.jar"] + windows, 1,
             "odd-names/data/what?.txt cannot go into a Windows image: its name holds '?', "
             "which Windows forbids in names; rename it"),
            (sample + linux + ["--dest", "input/out"], 1,
             "the destination input/out/app is inside the input input: the image would copy "
             "itself; choose a --dest outside the input"),
            (sample + linux + ["--dest", "dests/foreign"], 1,
             "dests/foreign/app exists and is not an image built by trellane-package (it has no "
             ".trellane-package file): remove it yourself, or choose another --dest or --name"),
            (sample + linux + ["--dest", "dests/ours"], 1,
             "dests/ours/app exists: give --overwrite to replace it, or choose another --dest or "
             "--name"),
            (sample + linux + ["--cds", "auto"], 1,
             "--cds auto needs a runtime of version 19 or later, where the JVM can make the "
             "archive itself; this runtime is 17.0.15: use a newer one, or --cds (train) for a "
             "Linux image"),
            (sample + linux + ["--java-options", "-Xss1q"], 1,
             "--java-options -Xss1q is not a stack size the JVM reads: give -Xss and a number "
             "of bytes, or a number and k, m or g"),
            (sample + linux + ["--java-options", "-Xss2g"], 1,
             "--java-options -Xss2g asks for more than 1g, the largest stack the JVM gives a "
             "thread"),
            (sample + linux + ["--cds", "--cds-train-status", "256"], 2,
             "--cds-train-status '256' is not an exit status (0 to 255)\n" + USAGE_HINT),
            (sample + windows + ["--cds"], 1,
             "--cds train runs the application, which only a Linux image can do here; for a "
             "Windows image use --cds auto with a runtime of version 19 or later"),
            (sample + linux + ["--name", "hello", "--app-version", "2", "--vendor", "Acme",
                               "--icon", "hello.png", "--sign-pkcs12", p12], 1,
             "--vendor, --sign-pkcs12 brand or sign a Windows launcher, and a Linux "
             "image's launcher carries neither: leave them out, or give --target windows"),
            # Refusals late in the run, with the runtime and app/ already copied.
            (sample + windows + ["--app-version", "2", "--sign-pkcs12", p12,
                                 "--sign-password-file", wrong_password], 1,
             "the password does not open %s; give the password it was exported with" % p12),
            (sample + linux + ["--launcher", stamped], 1,
             "%s is already stamped; stamp an unstamped launcher instead" % stamped),
            (sample + linux + ["--bogus"], 2, "unknown option '--bogus'\n" + USAGE_HINT),
            (sample + linux + ["--win-console"], 2,
             "unknown option '--win-console'; did you mean --console-app?\n" + USAGE_HINT),
            (sample + linux + ["extra"], 2, "unexpected argument 'extra'\n" + USAGE_HINT),
            (["--input"], 2, "option '--input' needs a value\n" + USAGE_HINT),
            (["--main-jar", "app.jar"], 2,
             "--input is required (or --module, for a modular application)\n" + USAGE_HINT),
        ]
        before = listing(self.work)
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                launcher = None
                if "--launcher" in arguments:
                    at = arguments.index("--launcher")
                    launcher = arguments[at + 1]
                    arguments = arguments[:at] + arguments[at + 2:]
                done = self.package("--quiet", *arguments, launcher=launcher)
                expected = "trellane-package: " + message + ("" if status == 2 else "\n")
                self.assertEqual((done.returncode, done.stderr.decode()), (status, expected))
                self.assertEqual(done.stdout, b"")
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_damaged_jars_are_refused_at_once_in_little_memory(self):
        main = b"Manifest-Version: 1.0\r\nMain-Class: com.example.Main\r\n\r\n"
        signed = b"".join(b"Name: com/example/C%d.class\r\nSHA-256-Digest: %s=\r\n\r\n"
                          % (i, b"A" * 43) for i in range(60000))
        long_main = b"Main-Class: com.example.Main\r\n" + b"X-Filler: %s\r\n" % (b"x" * 60) * 70000
        cases = [
            # (manifest, declared size, zip64, status, message)
            (main, 1 << 62, True, 1,
             "declares a manifest of 4611686018427387904 bytes, more than Java can read "
             "(2 GiB): the jar is damaged; repair it or remove it"),
            (main, 0xFFFFFFFE, False, 1,
             "declares a manifest of 4294967294 bytes, more than Java can read (2 GiB): the jar "
             "is damaged; repair it or remove it"),
            (b"\n" * (64 << 20), None, False, 1, None),  # an empty main section: no Main-Class
            (long_main, None, False, 1,
             "has a manifest whose main section (up to its first blank line) is larger than "
             "4 MiB; repair it or remove it"),
            (b"a" * (64 << 20), 100, False, 1,
             "has a manifest whose main section (up to its first blank line) is larger than "
             "4 MiB; repair it or remove it"),
            (main + signed, None, False, 0, None),  # a signed jar's long manifest is fine
        ]
        for manifest, declared, zip64, status, message in cases:
            with self.subTest(manifest=manifest[:40], declared=declared):
                shutil.rmtree(self.path("damaged"), ignore_errors=True)
                shutil.rmtree(self.path("out"), ignore_errors=True)
                jar_declaring(self.path("damaged", "app.jar"), manifest, declared, zip64)
                process = subprocess.Popen(
                    self.command("--input", "damaged", "--main-jar", "app.jar", "--dest", "out",
                                 "--runtime-image", "linux-17", "--quiet"),
                    cwd=self.work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                err = process.stderr.read().decode()
                _, wait_status, usage = os.wait4(process.pid, 0)
                process.returncode = os.waitstatus_to_exitcode(wait_status)
                self.assertEqual(process.returncode, status, err)
                if message:
                    self.assertEqual(err, "trellane-package: damaged/app.jar %s\n" % message)
                elif status:
                    self.assertIn("no main class", err)
                self.assertLess(usage.ru_maxrss, 200 << 10, "KiB: no more than a launcher's run")


if __name__ == "__main__":
    unittest.main()
